#!/usr/bin/env bash
# Runs the page's tests in headless Chromium. Usage: run.sh PAGE CLI
# Skips (77) where the page has not been built (emcmake cmake -B build-web) or the test driver is
# not installed (npm ci in web/tests), so a build without the web edition still tests the rest.
set -uo pipefail
here=$(dirname "$0")
[[ -f $1 ]] || { echo "SKIP: $1 is not built"; exit 77; }
[[ -d $here/node_modules/playwright-core ]] || { echo "SKIP: run npm ci in $here first"; exit 77; }
command -v "${CHROMIUM:-chromium}" >/dev/null || { echo "SKIP: chromium is not installed"; exit 77; }
VORDANEL_PAGE=$(realpath "$1") VORDANEL_CLI=$(realpath "$2") exec node --test "$here"/*.test.mjs
