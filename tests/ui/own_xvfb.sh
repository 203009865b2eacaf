# Sourced by the real-window tests: starts an X server of this test's own on a display number the
# server picks itself (-displayfd), so tests running side by side never share one, and exports
# DISPLAY. The server ends with the test.
start_own_xvfb() {
  local ready
  ready=$(mktemp)
  # -noreset: the server stays as it is when its last client leaves, so the next one can connect.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$ready" 2>/dev/null &
  own_xvfb_pid=$!
  trap 'kill "$own_xvfb_pid" 2>/dev/null' EXIT
  for _ in $(seq 100); do
    [[ -s $ready ]] && break
    sleep 0.1
  done
  [[ -s $ready ]] || { echo "FAIL: Xvfb did not start"; rm -f "$ready"; exit 1; }
  DISPLAY=":$(head -1 "$ready")"
  export DISPLAY
  rm -f "$ready"
}

# wait_for_windows TITLE COUNT [SECONDS]: waits (10 s unless told) until COUNT windows carry TITLE.
wait_for_windows() {
  for _ in $(seq $((${3:-10} * 10))); do
    [[ $(xdotool search --name "$1" 2>/dev/null | wc -l) -eq $2 ]] && return 0
    sleep 0.1
  done
  return 1
}
