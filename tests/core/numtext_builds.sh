#!/bin/sh
# The native and the WebAssembly build write and read numbers alike: numtext_dump's texts from
# both, compared line by line. Skips (77) where the web edition is not built or node is missing.
# usage: numtext_builds.sh NATIVE_DUMP WEB_DUMP_JS
native=$1 web=$2
if [ ! -f "$web" ]; then echo "SKIP: the web build's $web is not built (emcmake cmake -S . -B build-web)"; exit 77; fi
if ! command -v node >/dev/null; then echo "SKIP: node is not installed"; exit 77; fi
scratch=$(mktemp -d) || exit 2
trap 'rm -rf "$scratch"' EXIT
"$native" > "$scratch/native" || { echo "FAIL: $native exited with $?"; exit 1; }
node "$web" > "$scratch/web" || { echo "FAIL: node $web exited with $?"; exit 1; }
lines=$(wc -l < "$scratch/native")
if [ "$lines" -lt 41000 ]; then echo "FAIL: the native sample and its edges have only $lines lines"; exit 1; fi
if ! cmp -s "$scratch/native" "$scratch/web"; then
    echo "FAIL: the builds' number texts differ (native <, web >):"
    diff "$scratch/native" "$scratch/web" | head -n 6 | cut -c 1-600
    exit 1
fi
echo "the builds agree on $lines lines of number texts"
