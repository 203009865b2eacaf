#!/usr/bin/env bash
# Runs the page's tests in one headless browser. Usage: run.sh chromium|firefox PAGE CLI [FILE.test.mjs...]
# (every file of tests when none is named)
# Skips (77) where the page has not been built (emcmake cmake -B build-web), the test driver is not
# installed (npm ci in web/tests) or the browser is missing, so a build without them tests the rest.
set -uo pipefail
here=$(dirname "$0")
browser=$1
case $browser in
  chromium) executable=${CHROMIUM:-/usr/bin/chromium} ;;
  firefox) executable=${FIREFOX:-/usr/bin/firefox-esr} ;;
  *) echo "usage: $0 chromium|firefox PAGE CLI" >&2; exit 2 ;;
esac
[[ -f $2 ]] || { echo "SKIP: $2 is not built"; exit 77; }
[[ -d $here/node_modules/puppeteer-core ]] || { echo "SKIP: run npm ci in $here first"; exit 77; }
[[ -x $executable ]] || { echo "SKIP: $executable is not installed"; exit 77; }
export VORDANEL_BROWSER=$browser VORDANEL_PAGE=$(realpath "$2") VORDANEL_CLI=$(realpath "$3")
[[ $browser == firefox ]] && export FIREFOX=$executable || export CHROMIUM=$executable
shift 3
if (($# > 0)); then
  exec node --test "${@/#/$here/}"
fi
exec node --test "$here"/*.test.mjs
