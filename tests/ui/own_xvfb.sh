# shellcheck shell=bash
# Sourced by the real-window tests and docs/screenshot.sh: an X server of the test's own, and waits
# for the window's own signs instead of sleeps. A machine busy with a sanitizer build and two fuzzers
# can take seconds where an idle one takes milliseconds; every wait here is bounded, and one that
# runs out fails the test, naming the sign that never came. The sourcing script defines fail().

form_file="$(dirname "${BASH_SOURCE[0]}")/../../ui/vordanel.ui"
# No wait runs past this, so a test fails naming its sign before CTest's 120 s limit ends it
# without a word.
all_waits_end=$((SECONDS + 110))

# need TOOL WHY: the test cannot run without TOOL. Where it is missing the test is skipped (77),
# saying which tool and why; under CI, where test.sh has installed everything, a missing tool is a
# broken set-up and fails the test instead.
need() {
  command -v "$1" >/dev/null || missing "$1" "$2"
}
missing() {
  if [[ ${CI:-} == true ]]; then
    echo "FAIL: $1 is missing under CI=true, where every tool must be installed: $2"
    exit 1
  fi
  echo "SKIP: $1 is missing: $2"
  exit 77
}

# start_own_xvfb: starts an X server on a display number the server picks itself (-displayfd), so
# tests running side by side never share one, and exports DISPLAY. The server ends with the test.
start_own_xvfb() {
  local ready
  ready=$(mktemp)
  # -noreset: the server stays as it is when its last client leaves, so the next one can connect.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$ready" 2>/dev/null &
  own_xvfb_pid=$!
  trap 'kill "$own_xvfb_pid" 2>/dev/null' EXIT
  wait_until 30 "Xvfb wrote its display number" test -s "$ready"
  DISPLAY=":$(head -1 "$ready")"
  export DISPLAY
  rm -f "$ready"
}

# wait_until SECONDS SIGN COMMAND...: runs COMMAND every tenth of a second until it succeeds; when
# SECONDS pass first (or the test's time is up), fails the test with SIGN, the sign that never
# came, and with what COMMAND saw last where it says so in $seen.
wait_until() {
  local seconds=$1 sign=$2
  shift 2
  local start=$SECONDS deadline=$((SECONDS + seconds))
  ((deadline < all_waits_end)) || deadline=$all_waits_end
  seen=
  until "$@"; do
    ((SECONDS < deadline)) || fail "no sign within $((SECONDS - start)) s that $sign${seen:+ (last seen: $seen)}"
    sleep 0.1
  done
}

# shown_windows TITLE: the windows carrying TITLE that are mapped. A window is named as soon as it
# is created, before it is shown, and a key sent before it is shown goes to another window.
shown_windows() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null
}
windows_shown() {  # TITLE COUNT
  local count
  count=$(shown_windows "$1" | wc -l)
  seen="$count such windows shown"
  ((count == $2))
}

# has_focus ID: the X server names window ID as the keyboard's focus. The test's server runs no
# window manager, so nothing hands a newly shown window the focus (Qt hands it to a dialog only
# while one of its windows holds it); this does what a window manager would, and a key sequence
# starts only once the server says the window that should take it has it.
has_focus() {
  [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]] && return 0
  xdotool windowfocus "$1" 2>/dev/null
  seen="the focus on $(xdotool getwindowfocus 2>/dev/null || echo none)"
  [[ $seen == "the focus on $1" ]]
}

# box_ink PICTURE BOX: how many pixels inside the frame of the line edit BOX of the form (geometry
# from ui/vordanel.ui) are not near the white of an empty box: none while the box is empty, -1
# where the form has no such box.
box_ink() {
  local x y w h
  read -r x y w h < <(sed -n "/<widget class=\"QLineEdit\" name=\"$2\">/,/<\/widget>/{
    s/.*<x>\([0-9]*\)<\/x><y>\([0-9]*\)<\/y><width>\([0-9]*\)<\/width><height>\([0-9]*\)<\/height>.*/\1 \2 \3 \4/p}" "$form_file")
  [[ -n $h ]] || { echo "no geometry for the box $2 in $form_file" >&2; echo -1; return; }
  convert "$1" -crop "$((w - 6))x$((h - 6))+$((x + 3))+$((y + 3))" +repage -colorspace gray \
    -threshold 90% -negate -format '%[fx:int(w*h*mean+0.5)]' info:
}

# painted PICTURE WINDOW CHECK...: grabs WINDOW into PICTURE and succeeds once CHECK passes on the
# grab and the grab is the same as the one before it, so a picture is never of a window still
# being painted. The grab before is kept beside PICTURE, as PICTURE.before.png.
painted() {
  local picture=$1 window=$2
  shift 2
  [[ -f $picture ]] && mv "$picture" "$picture.before.png"
  seen="no grab of window $window"
  import -window "$window" "$picture" 2>/dev/null || return 1
  "$@" "$picture" || return 1
  seen="a grab that differs from the one before"
  [[ -f $picture.before.png ]] && [[ $(compare -metric AE "$picture" "$picture.before.png" null: 2>&1) == 0 ]]
}
