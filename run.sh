#!/usr/bin/env bash
# Installs what is missing, builds, and opens the window.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

vordanel_install_packages
vordanel_build build vordanel

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "Built build/app/vordanel, but there is no display to open its window on (neither DISPLAY nor" >&2
  echo "WAYLAND_DISPLAY is set). Run ./run.sh from a desktop session, or try it in a virtual one:" >&2
  echo "  xvfb-run -a build/app/vordanel" >&2
  exit 1
fi
exec build/app/vordanel "$@"
