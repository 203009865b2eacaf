#!/usr/bin/env bash
# Takes docs/window.png: the window after the first worked example, under Xvfb.
# Needs xvfb, xdotool and imagemagick (for import and convert).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${VORDANEL_IN_XVFB:-} != 1 ]]; then
  VORDANEL_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0"
fi
build/app/vordanel &
pid=$!
id=$(xdotool search --sync --name "円形堰の越流高さ" | head -1)
sleep 0.5
xdotool type --delay 30 "100" && xdotool key Tab && xdotool type --delay 30 "40"
xdotool key Tab && xdotool type --delay 30 "1" && xdotool key Tab Tab Tab && xdotool type --delay 30 "99"
xdotool key shift+Tab shift+Tab space
sleep 0.5
import -window "$id" docs/window.png
kill "$pid"
