#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite through CTest.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

vordanel_install_packages
vordanel_build build
ctest --test-dir build --output-on-failure --timeout 300
