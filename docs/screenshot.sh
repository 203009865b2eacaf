#!/usr/bin/env bash
# Takes docs/window.png: the window after the first worked example, on an X server of its own, once
# the window shows its answer. Needs xvfb, xdotool and imagemagick (import, compare, convert), which
# ./test.sh and ./run.sh install.
set -euo pipefail
cd "$(dirname "$0")/.."
source tests/ui/own_xvfb.sh
title="円形堰の越流高さ"
pid=
work=$(mktemp -d)
fail() { echo "screenshot.sh: $*" >&2; [[ -n $pid ]] && kill "$pid" 2>/dev/null; exit 1; }
start_own_xvfb
trap 'kill "$own_xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
answer_shown() { (($(box_ink "$1" Text4) > 0 && $(box_ink "$1" Text5) > 0)); }

build/app/vordanel &
pid=$!
wait_until 30 "the window was shown" windows_shown "$title" 1
id=$(shown_windows "$title")
wait_until 30 "the window has the keyboard focus" has_focus "$id"
xdotool type --delay 30 "100" && xdotool key Tab && xdotool type --delay 30 "40"
xdotool key Tab && xdotool type --delay 30 "1" && xdotool key Tab Tab Tab && xdotool type --delay 30 "99"
xdotool key shift+Tab shift+Tab space
wait_until 30 "the window shows a head and a trial count" painted "$work/window.png" "$id" answer_shown
cp "$work/window.png" docs/window.png
kill "$pid"
