#!/usr/bin/env bash
# The real window under a dark GTK desktop theme looks as it does under the default theme: after
# the first worked run, and in a failure's dialog. Usage: xvfb_themes.sh PATH_TO_VORDANEL
set -uo pipefail
app=$(realpath "$1")

for tool in xdotool Xvfb import compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
source "$(dirname "$0")/own_xvfb.sh"
start_own_xvfb

title="円形堰の越流高さ"
work=$(mktemp -d)
trap 'kill "$own_xvfb_pid" 2>/dev/null; [[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; grep -hv '^qt\.\|^ \|^[{}]\|^$' "$work"/*.log 2>/dev/null | tail -20; exit 1; }

# shoot NAME [ENV...]: the window after 100, 40, 1, 99 and 計算, then the dialog for a diameter of "abc".
shoot() {
  local name=$1
  shift
  # No accessibility bus or portal to look for: GTK would wait for them on a machine without a session.
  env QT_QPA_PLATFORM=xcb QT_DEBUG_PLUGINS=1 NO_AT_BRIDGE=1 GTK_USE_PORTAL=0 "$@" "$app" 2>"$work/$name.log" &
  local pid=$!
  # A desktop theme takes its time to load on a busy machine: a minute, bounded.
  wait_for_windows "$title" 1 60 || fail "$name: the window did not appear"
  sleep 0.5
  local id
  id=$(xdotool search --name "$title" | head -1)
  xdotool type --delay 20 "100" && xdotool key Tab && xdotool type --delay 20 "40"
  xdotool key Tab && xdotool type --delay 20 "1" && xdotool key Tab Tab Tab && xdotool type --delay 20 "99"
  xdotool key shift+Tab shift+Tab space
  sleep 0.5
  import -window "$id" "$work/$name-window.png" || fail "$name: no grab of the window"
  xdotool key Tab Tab Tab Tab Tab ctrl+a && xdotool type --delay 20 "abc"
  xdotool key Tab Tab Tab space
  wait_for_windows "$title" 2 30 || fail "$name: no dialog for a diameter that is not a number"
  sleep 0.5
  local dialog
  dialog=$(xdotool search --name "$title" | grep -vx "$id" | head -1)
  import -window "$dialog" "$work/$name-dialog.png" || fail "$name: no grab of the dialog"
  kill "$pid"
  wait "$pid" 2>/dev/null
}

shoot default
shoot dark QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
grep -q "libqgtk3" "$work/dark.log" || { echo "SKIP: Qt's GTK 3 theme (qt6-gtk-platformtheme) did not load"; exit 77; }

# The window: pixels that differ at all (a few may, where text is antialiased).
differing=$(compare -metric AE "$work/default-window.png" "$work/dark-window.png" null: 2>&1)
total=$(identify -format '%[fx:w*h]' "$work/default-window.png")
echo "window: $differing of $total pixels differ"
((differing * 1000 <= total)) || fail "the window under the dark theme differs from the default in $differing pixels"

# The dialog takes its icon and button layout from the desktop theme, but its colours are ours:
# the same background, and as much near-black text on it.
background() { convert "$1" -format %c histogram:info:- | sort -rn | head -1 | grep -o '#[0-9A-F]\{6\}'; }
text_pixels() { convert "$1" -fill white -fuzz 25% +opaque black -fill black -opaque black -format '%[fx:int(w*h*(1-mean))]' info:; }
light_bg=$(background "$work/default-dialog.png") dark_bg=$(background "$work/dark-dialog.png")
light_text=$(text_pixels "$work/default-dialog.png") dark_text=$(text_pixels "$work/dark-dialog.png")
echo "dialog: background $light_bg and $dark_bg, $light_text and $dark_text pixels of dark text"
[[ $light_bg == "$dark_bg" ]] || fail "the dialog's background is $dark_bg under the dark theme, $light_bg under the default"
((dark_text * 10 >= light_text * 8)) || fail "the dialog's text is not as legible under the dark theme"
echo "PASS: the window looks the same under the dark GTK theme, and its dialog is as legible"
