#!/usr/bin/env bash
# The real program in a real X server: it opens centred, a bad diameter typed and confirmed with
# the keyboard brings up the warning, and after the warning is dismissed the window lives on.
# Usage: xvfb_smoke.sh PATH_TO_VORDANEL
set -uo pipefail
app=$(realpath "$1")

for tool in xdotool Xvfb; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed, so no real X server can be started"
    exit 77
  fi
done

source "$(dirname "$0")/own_xvfb.sh"
start_own_xvfb

title="円形堰の越流高さ"
log=$(mktemp)
fail() { echo "FAIL: $*"; cat "$log"; kill "$pid" 2>/dev/null; exit 1; }

QT_QPA_PLATFORM=xcb "$app" 2>"$log" &
pid=$!
wait_for_windows "$title" 1 || fail "the window titled $title did not appear"
sleep 0.5
id=$(xdotool search --name "$title" | head -1)

eval "$(xdotool getwindowgeometry --shell "$id")"
cx=$((X + WIDTH / 2)) cy=$((Y + HEIGHT / 2))
if ((cx < 510 || cx > 514 || cy < 382 || cy > 386)); then
  fail "window centre is at $cx,$cy, not at the screen's centre 512,384"
fi
echo "window ${WIDTH}x${HEIGHT} centred at $cx,$cy"
if command -v xprop >/dev/null; then
  icon=$(xprop -id "$id" _NET_WM_ICON)
  [[ $icon == "_NET_WM_ICON(CARDINAL) ="* ]] || fail "the window shows no icon"
  echo "window icon set"
fi

# Focus starts in the diameter box; the keyboard order is diameter, flow, minimum, 計算, クリヤ, maximum.
xdotool type --delay 30 "abc"
xdotool key Tab && xdotool type --delay 30 "40"
xdotool key Tab && xdotool type --delay 30 "1"
xdotool key Tab Tab Tab && xdotool type --delay 30 "99"
xdotool key shift+Tab shift+Tab space
wait_for_windows "$title" 2 || fail "no warning appeared for a diameter that is not a number"
grep -q "not a number" "$log" || fail "the kind of failure was not written to standard error"
echo "warning shown"

xdotool key Return
wait_for_windows "$title" 1 || fail "the warning did not go away"
kill -0 "$pid" 2>/dev/null || fail "the program ended after the warning"

# The focus is back in the diameter box; 計算 is three stops on, and answers again.
xdotool key Tab Tab Tab space
wait_for_windows "$title" 2 || fail "the window did not answer a second press"
xdotool key Return
wait_for_windows "$title" 1 || fail "the second warning did not go away"
kill -0 "$pid" 2>/dev/null || fail "the program ended after the second warning"

kill "$pid"
rm -f "$log"
echo "PASS: the real window survived two failed calculations"
