#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole suite through CTest: first the web edition
# (build-web/vordanel.html), then the release build (with the Debian package test and the page's
# tests in headless Chromium and Firefox ESR), then the same suite built by clang with
# AddressSanitizer and UndefinedBehaviorSanitizer, which also runs the fuzz targets for a bounded
# time. Ends with the suites that skipped and why; with CI=true a skip fails the run, since a
# machine that cannot test everything must not pass for one that did.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

# shellcheck disable=SC2046
vordanel_install_packages "${VORDANEL_TEST_PACKAGES[@]}" $(vordanel_node_packages)
vordanel_install_if_packaged "${VORDANEL_BROWSER_PACKAGES[@]}"
vordanel_install_web_test_driver

skipped=()  # "build: test: reason", one a skip

# run_suite DIR NAME: the suite of one build; its exit status is ctest's. A test skips by exiting
# 77 with a line "SKIP: why" (QtTest's "SKIP   :" lines mark cases skipped inside a test that
# passed); those lines are collected from CTest's log, which keeps the whole output of every test.
run_suite() {
  local dir=$1 name=$2 status=0
  ctest --test-dir "$dir" --output-on-failure --timeout 300 -j "$(nproc)" \
    --test-output-size-passed 1048576 | tee "$dir/ctest-summary.log" || status=$?
  # CTest lists the tests that did not run, "  12 - web_sheet_in_chromium (Skipped)".
  local notRun
  notRun=$(sed -n 's/^[[:space:]]*[0-9]\{1,\} - \(.*\) (Skipped)$/\1/p' "$dir/ctest-summary.log")
  while IFS=$'\t' read -r test reason; do
    [[ -n $test ]] || continue
    skipped+=("$name: $test: $reason")
  done < <(awk -v notRun="$notRun" '
    BEGIN { n = split(notRun, names, "\n"); for (i = 1; i <= n; i++) if (names[i] != "") wanted[names[i]] = 1 }
    /^[0-9]+\/[0-9]+ Test: / { test = $0; sub(/^[0-9]+\/[0-9]+ Test: /, "", test); inOutput = 0; said = 0; next }
    /^Output:$/ { inOutput = 1; next }
    /^<end of output>$/ {
      if ((test in wanted) && !said) print test "\t(no SKIP line; see its output in the log)"
      inOutput = 0; delete wanted[test]; next
    }
    inOutput && /^SKIP *: / { print test "\t" $0; said = 1 }
    END { for (t in wanted) print t "\t(no SKIP line; see its output in the log)" }
  ' "$dir/Testing/Temporary/LastTest.log")
  return "$status"
}

echo "== web edition (emscripten) =="
vordanel_build_web build-web

echo "== release build =="
vordanel_build build
release=0
run_suite build "release build" || release=$?

echo "== sanitizer build (clang, ASan + UBSan, bounded fuzz run) =="
vordanel_build_checked build-checked
checked=0
run_suite build-checked "sanitizer build" || checked=$?

if ((${#skipped[@]} > 0)); then
  echo
  echo "SKIPPED (${#skipped[@]}), not tested on this machine:"
  printf '  %s\n' "${skipped[@]}"
  echo "(whole output: build/Testing/Temporary/LastTest.log, build-checked/Testing/Temporary/LastTest.log)"
fi
if ((release != 0 || checked != 0)); then
  echo "FAILED: release suite exit $release, sanitizer suite exit $checked" >&2
  exit 1
fi
if ((${#skipped[@]} > 0)) && [[ ${CI:-} == true ]]; then
  echo "FAILED: CI=true, and ${#skipped[@]} suite(s) or case(s) skipped (listed above)" >&2
  exit 1
fi
