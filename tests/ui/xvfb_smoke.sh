#!/usr/bin/env bash
# The real program in a real X server: it opens centred, a bad diameter typed and confirmed with
# the keyboard brings up the warning, and after the warning is dismissed the window lives on.
# Every key goes to a window that has the focus, and every step waits for the window's answer to
# the one before, so a busy machine makes the test slower, not red.
# Usage: xvfb_smoke.sh PATH_TO_VORDANEL
set -uo pipefail
app=$(realpath "$1")
source "$(dirname "$0")/own_xvfb.sh"
need Xvfb "no X server can be started (Debian package xvfb)"
need xdotool "no keys can be typed into the window (Debian package xdotool)"
need xprop "the window's icon cannot be read (Debian package x11-utils)"

title="円形堰の越流高さ"
log=$(mktemp)
pid=
fail() { echo "FAIL: $*"; cat "$log"; [[ -n $pid ]] && kill "$pid" 2>/dev/null; rm -f "$log"; exit 1; }
alive() { kill -0 "$pid" 2>/dev/null; }
start_own_xvfb

QT_QPA_PLATFORM=xcb "$app" 2>"$log" &
pid=$!
# Under a sanitizer on a busy machine the program takes its time to start: a minute, bounded.
wait_until 60 "the window titled $title was shown" windows_shown "$title" 1
id=$(shown_windows "$title")

eval "$(xdotool getwindowgeometry --shell "$id")"
cx=$((X + WIDTH / 2)) cy=$((Y + HEIGHT / 2))
if ((cx < 510 || cx > 514 || cy < 382 || cy > 386)); then
  fail "window centre is at $cx,$cy, not at the screen's centre 512,384"
fi
echo "window ${WIDTH}x${HEIGHT} centred at $cx,$cy"
icon_set() { [[ $(xprop -id "$id" _NET_WM_ICON 2>/dev/null) == "_NET_WM_ICON(CARDINAL) ="* ]]; }
wait_until 30 "the window shows an icon" icon_set
echo "window icon set"

# warning_then_return WHAT: a warning is shown over the window for WHAT; Return, once the warning
# has the focus, takes it away, and the program lives on.
warning_then_return() {
  wait_until 30 "a warning was shown for $1" windows_shown "$title" 2
  local warning
  warning=$(shown_windows "$title" | grep -vx "$id")
  wait_until 30 "the warning for $1 has the keyboard focus" has_focus "$warning"
  xdotool key Return
  wait_until 30 "the warning for $1 went away after Return" windows_shown "$title" 1
  alive || fail "the program ended after the warning for $1"
}

# Focus starts in the diameter box; the keyboard order is diameter, flow, minimum, 計算, クリヤ, maximum.
wait_until 30 "the window has the keyboard focus" has_focus "$id"
xdotool type --delay 30 "abc"
xdotool key Tab && xdotool type --delay 30 "40"
xdotool key Tab && xdotool type --delay 30 "1"
xdotool key Tab Tab Tab && xdotool type --delay 30 "99"
xdotool key shift+Tab shift+Tab space
warning_then_return "a diameter that is not a number"
grep -q "not a number" "$log" || fail "the kind of failure was not written to standard error"
echo "warning shown and dismissed"

# The focus is back in the diameter box; 計算 is three stops on, and answers again.
wait_until 30 "the window has the keyboard focus again" has_focus "$id"
xdotool key Tab Tab Tab space
warning_then_return "the second press of 計算"

kill "$pid"
rm -f "$log"
echo "PASS: the real window survived two failed calculations"
