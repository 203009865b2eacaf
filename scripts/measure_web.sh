#!/usr/bin/env bash
# Times the hosted edition (build-web/site) on a simulated slow phone and gives Lighthouse's scores,
# mobile and desktop, each over three runs, served compressed by a local static host.
# Usage: scripts/measure_web.sh [SITE_FOLDER] [RUNS]. Needs `npm ci` in web/tests and Chromium.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
site=$(realpath "${1:-$root/build-web/site}")
[[ -f $site/index.html ]] || { echo "no hosted edition in $site: build the web edition first" >&2; exit 1; }
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
cd "$root/web/tests"
exec node measure.mjs "$site" "${2:-3}"
