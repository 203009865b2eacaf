#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, and runs what it installed.
# Usage: deb_test.sh BUILD_DIR VERSION XVFB_SMOKE_SCRIPT
set -euo pipefail
build=$1 version=$2 smoke=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/out/vordanel_${version}_amd64.deb"
[[ -f $deb ]] || fail "no $(basename "$deb") in: $(ls "$work/out")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in fonts-ipafont-gothic libqt6svg6 libqt6widgets6 libc6; do
  grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed"
done

description=$(dpkg-deb -f "$deb" Description)
grep -qx ' *;' <<<"$description" && fail "the description has a stray ';' line: $description"
grep -q 'vordanel\.example' <<<"$(dpkg-deb -f "$deb")" && fail "the package names an invented address"

contents=$(dpkg-deb -c "$deb")
for path in usr/bin/vordanel usr/bin/vordanel-cli \
  usr/share/applications/org.vordanel.Vordanel.desktop \
  usr/share/metainfo/org.vordanel.Vordanel.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/org.vordanel.Vordanel.svg \
  usr/share/doc/vordanel/copyright; do
  grep -q "\./$path\$" <<<"$contents" || fail "the package lacks /$path"
done

dpkg -x "$deb" "$work/root"
for binary in vordanel vordanel-cli; do
  file "$work/root/usr/bin/$binary" | grep -q ', stripped' || fail "/usr/bin/$binary is not stripped"
done
grep -q '^License: MIT' "$work/root/usr/share/doc/vordanel/copyright" || fail "the copyright file names no licence"
grep -q '<project_license>MIT</project_license>' "$work/root/usr/share/metainfo/org.vordanel.Vordanel.metainfo.xml" ||
  fail "the metainfo does not name the project's licence"
got=$("$work/root/usr/bin/vordanel-cli" --version)
[[ $got == "vordanel-cli $version" ]] || fail "installed vordanel-cli --version said: $got"
got=$("$work/root/usr/bin/vordanel-cli" head -d 100 -q 40 --min 1 --max 99 | head -1)
[[ $got == "越流高さ(mm) [底部から] 47.1" ]] || fail "installed vordanel-cli answered: $got"
echo "installed vordanel-cli works"

set +e
"$smoke" "$work/root/usr/bin/vordanel"
status=$?
set -e
((status == 0 || status == 77)) || fail "the installed window did not pass the real-window test"
echo "PASS: $(basename "$deb") installs and runs"
