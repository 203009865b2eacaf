#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite through CTest: first the web edition
# (build-web/vordanel.html), then the release build (with the Debian package test and the page's
# tests in headless Chromium and Firefox), then the same suite built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, which also runs the fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

# shellcheck disable=SC2046
vordanel_install_packages "${VORDANEL_TEST_PACKAGES[@]}" $(vordanel_node_packages)
vordanel_install_if_packaged "${VORDANEL_BROWSER_PACKAGES[@]}"
vordanel_install_web_test_driver

echo "== web edition (emscripten) =="
vordanel_build_web build-web

echo "== release build =="
vordanel_build build
release=0
ctest --test-dir build --output-on-failure --timeout 300 -j "$(nproc)" || release=$?

echo "== sanitizer build (clang, ASan + UBSan, bounded fuzz run) =="
vordanel_build_checked build-checked
checked=0
ctest --test-dir build-checked --output-on-failure --timeout 300 -j "$(nproc)" || checked=$?

if ((release != 0 || checked != 0)); then
  echo "FAILED: release suite exit $release, sanitizer suite exit $checked" >&2
  exit 1
fi
