#!/usr/bin/env bash
# vordanel answers --help and --version without a window, and says in one line when there is no
# display to open one on. Usage: app_options.sh PATH_TO_VORDANEL
set -uo pipefail
app=$1
failed=0
# args | expected status | text the output must contain
while IFS='|' read -r args status text; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$app" $args 2>&1)
  got=$?
  lines=$(printf '%s\n' "$out" | wc -l)
  if [[ $got -ne $status || $out != *"$text"* ]] || { [[ $status -ne 0 ]] && ((lines != 1)); }; then
    echo "FAIL: vordanel $args: status $got (expected $status), output: $out"
    failed=1
  else
    echo "ok: vordanel $args -> $status"
  fi
done <<'ROWS'
--version|0|vordanel 1.00
--help|0|--version
-h|0|Usage:
|1|no display
ROWS
exit $failed
