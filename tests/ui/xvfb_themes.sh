#!/usr/bin/env bash
# The real window under a dark GTK desktop theme looks as it does under the default theme: after
# the first worked run, and in a failure's dialog. Each picture is taken once the window shows what
# it should, and each is checked on its own before the two themes are compared, so a window that
# lost its answer in both themes does not pass for two alike.
# Usage: xvfb_themes.sh PATH_TO_VORDANEL PATH_TO_VORDANEL_CLI
set -uo pipefail
app=$(realpath "$1")
cli=$2
source "$(dirname "$0")/own_xvfb.sh"
need Xvfb "no X server can be started (Debian package xvfb)"
need xdotool "no keys can be typed into the window (Debian package xdotool)"
for tool in import compare convert identify; do
  need "$tool" "the window cannot be grabbed and compared (Debian package imagemagick)"
done
need xclip "the answer box cannot be read back through the clipboard (Debian package xclip)"

title="円形堰の越流高さ"
work=$(mktemp -d)
pid=
fail() {
  echo "FAIL: $*"
  grep -hv '^qt\.\|^ \|^[{}]\|^$' "$work"/*.log 2>/dev/null | tail -20
  [[ -n $pid ]] && kill "$pid" 2>/dev/null
  exit 1
}
start_own_xvfb
trap 'kill "$own_xvfb_pid" 2>/dev/null; [[ -n ${KEEP:-} ]] || rm -rf "$work"' EXIT

# The window's answer for the entries typed below, from the companion, which shares its core.
diameter=100 flow=40 min=1 max=99
expected=$("$cli" head -d "$diameter" -q "$flow" --min "$min" --max "$max" --json | grep -o '"head_mm":"[^"]*"' | cut -d'"' -f4)
[[ -n $expected ]] || fail "vordanel-cli head -d $diameter -q $flow --min $min --max $max gave no head"

# The answer's boxes are inked, and the dialog is not blank.
answer_shown() {
  local head trials
  head=$(box_ink "$1" Text4) trials=$(box_ink "$1" Text5)
  seen="$head pixels of ink in the head box, $trials in the trial count's"
  ((head > 0 && trials > 0))
}
text_pixels() { convert "$1" -fill white -fuzz 25% +opaque black -fill black -opaque black -format '%[fx:int(w*h*(1-mean))]' info:; }
has_text() {
  seen="$(text_pixels "$1") pixels of dark text"
  [[ $seen != "0 pixels of dark text" ]]
}
clipboard_reads() {
  seen="'$(timeout 10 xclip -o -selection clipboard 2>/dev/null)'"
  [[ $seen == "'$1'" ]]
}

# shoot NAME [ENV...]: the window after the entries above and 計算, then the dialog for a diameter of "abc".
shoot() {
  local name=$1
  shift
  # No accessibility bus or portal to look for: GTK would wait for them on a machine without a session.
  env QT_QPA_PLATFORM=xcb QT_DEBUG_PLUGINS=1 NO_AT_BRIDGE=1 GTK_USE_PORTAL=0 "$@" "$app" 2>"$work/$name.log" &
  pid=$!
  # A desktop theme takes its time to load on a busy machine: a minute, bounded.
  wait_until 60 "$name: the window was shown" windows_shown "$title" 1
  local id
  id=$(shown_windows "$title")
  wait_until 30 "$name: the window has the keyboard focus" has_focus "$id"
  xdotool type --delay 20 "$diameter" && xdotool key Tab && xdotool type --delay 20 "$flow"
  xdotool key Tab && xdotool type --delay 20 "$min" && xdotool key Tab Tab Tab && xdotool type --delay 20 "$max"
  xdotool key shift+Tab shift+Tab space
  wait_until 30 "$name: the window shows a head and a trial count" \
    painted "$work/$name-window.png" "$id" answer_shown
  # The head box read back through the clipboard: 計算 is three stops before it.
  xdotool key Tab Tab Tab ctrl+a ctrl+c
  wait_until 30 "$name: the head box reads $expected" clipboard_reads "$expected"
  echo "$name: the window shows the head $expected"

  xdotool key Tab Tab ctrl+a && xdotool type --delay 20 "abc"
  xdotool key Tab Tab Tab space
  wait_until 30 "$name: a dialog was shown for a diameter that is not a number" windows_shown "$title" 2
  local dialog
  dialog=$(shown_windows "$title" | grep -vx "$id")
  wait_until 30 "$name: the dialog has the keyboard focus" has_focus "$dialog"
  wait_until 30 "$name: the dialog shows its message" painted "$work/$name-dialog.png" "$dialog" has_text
  kill "$pid"
  wait "$pid" 2>/dev/null
  pid=
}

shoot default
shoot dark QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark
grep -q "libqgtk3" "$work/dark.log" ||
  missing qt6-gtk-platformtheme "Qt's GTK 3 theme did not load, so there is no dark desktop theme to compare with"

# The window: pixels that differ at all (a few may, where text is antialiased).
differing=$(compare -metric AE "$work/default-window.png" "$work/dark-window.png" null: 2>&1)
total=$(identify -format '%[fx:w*h]' "$work/default-window.png")
echo "window: $differing of $total pixels differ"
((differing * 1000 <= total)) || fail "the window under the dark theme differs from the default in $differing pixels"

# The dialog takes its icon and button layout from the desktop theme, but its colours are ours:
# the same background, and as much near-black text on it.
background() { convert "$1" -format %c histogram:info:- | sort -rn | head -1 | grep -o '#[0-9A-F]\{6\}'; }
light_bg=$(background "$work/default-dialog.png") dark_bg=$(background "$work/dark-dialog.png")
light_text=$(text_pixels "$work/default-dialog.png") dark_text=$(text_pixels "$work/dark-dialog.png")
echo "dialog: background $light_bg and $dark_bg, $light_text and $dark_text pixels of dark text"
[[ $light_bg == "$dark_bg" ]] || fail "the dialog's background is $dark_bg under the dark theme, $light_bg under the default"
((dark_text * 10 >= light_text * 8)) || fail "the dialog's text is not as legible under the dark theme"
echo "PASS: the window looks the same under the dark GTK theme, and its dialog is as legible"
