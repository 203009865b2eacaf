#!/usr/bin/env bash
# Takes docs/window.png: the window after the first worked example, on an X server of its own.
# Needs xvfb, xdotool and imagemagick (import), which ./test.sh and ./run.sh install.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/ui/own_xvfb.sh
start_own_xvfb
title="円形堰の越流高さ"
build/app/vordanel &
pid=$!
wait_for_windows "$title" 1 || { echo "the window did not appear within 10 s" >&2; kill "$pid"; exit 1; }
id=$(xdotool search --name "$title" | head -1)
sleep 0.5
xdotool type --delay 30 "100" && xdotool key Tab && xdotool type --delay 30 "40"
xdotool key Tab && xdotool type --delay 30 "1" && xdotool key Tab Tab Tab && xdotool type --delay 30 "99"
xdotool key shift+Tab shift+Tab space
sleep 0.5
import -window "$id" docs/window.png
kill "$pid"
