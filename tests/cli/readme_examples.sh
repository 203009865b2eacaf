#!/usr/bin/env bash
# Runs every `$ vordanel-cli …` example in README.md's console blocks and compares what the
# companion prints with what the README shows, so that the examples stay as they run.
# Usage: readme_examples.sh README VORDANEL_CLI
set -uo pipefail
readme=$1
bin=$(dirname "$(realpath "$2")")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Split the console blocks into numbered commands and their expected output.
awk -v dir="$scratch" '
  /^```console$/ { inside = 1; next }
  /^```/ { inside = 0; next }
  inside && /^\$ / { n++; print substr($0, 3) > (dir "/" n ".cmd"); printf "" > (dir "/" n ".want"); next }
  inside && n { print > (dir "/" n ".want") }
' "$readme"

count=0 failed=0
for cmd in "$scratch"/*.cmd; do
  [[ -e $cmd ]] || break
  count=$((count + 1))
  want=${cmd%.cmd}.want
  got=${cmd%.cmd}.got
  PATH="$bin:$PATH" bash -c "$(cat "$cmd")" >"$got" 2>/dev/null
  if ! cmp -s "$want" "$got"; then
    failed=$((failed + 1))
    echo "FAIL: \$ $(cat "$cmd")"
    diff "$want" "$got" | sed 's/^/    /'
  fi
done
((count > 0)) || { echo "FAIL: no console examples found in $readme"; exit 1; }
echo "$((count - failed)) of $count README examples print what the README shows"
((failed == 0))
