# shellcheck shell=bash
# Sourced by run.sh and test.sh: installs the Debian packages the build and the tests need,
# then configures and builds into build/.

# shellcheck disable=SC2034
VORDANEL_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev libcli11-dev libfmt-dev libfast-float-dev nlohmann-json3-dev libhowardhinnant-date-dev
  qt6-base-dev libgl-dev libqt6svg6 fonts-ipafont-gothic
  desktop-file-utils appstream dpkg-dev file
  xvfb xauth xdotool x11-utils
  clang
)
# What the whole suite needs besides (test.sh): a dark desktop theme and image tools for the
# window's look and xclip to read its answer back, emscripten, the font tools, the QR encoder and
# esbuild to minify it for the web edition, poppler-utils to read back the text of the calculation
# sheet it prints and zbar-tools to read its QR codes.
VORDANEL_TEST_PACKAGES=(
  qt6-gtk-platformtheme imagemagick xclip
  emscripten esbuild python3-fonttools librsvg2-bin node-qrcode-generator poppler-utils zbar-tools
)
# The browsers the web edition's tests drive, where the system packages them: Debian does, Ubuntu
# does not (its Chromium and Firefox are snaps, and it has no Firefox ESR). Elsewhere the tests
# take the browsers that CHROMIUM and FIREFOX name, or skip and say so.
VORDANEL_BROWSER_PACKAGES=(chromium firefox-esr)
# node and npm drive the web edition's browser tests. Many machines carry a node of their own,
# outside Debian, with which Debian's npm package conflicts: install them only where the commands
# are missing.
vordanel_node_packages() {
  command -v node >/dev/null || echo nodejs
  command -v npm >/dev/null || echo npm
}

# The sanitizers' and libFuzzer's runtimes of the clang that is installed (its major version: Debian
# 12's clang is 14, Ubuntu 24.04's 18), so only asked for once clang is there.
vordanel_clang_runtime_package() {
  local version
  version=$(clang -dumpversion 2>/dev/null) || return 0
  echo "libclang-rt-${version%%.*}-dev"
}

# vordanel_install_packages [PACKAGE...]: the build's packages and those named, then the runtimes of
# the clang that this may just have installed.
vordanel_install_packages() {
  vordanel_apt_install "${VORDANEL_PACKAGES[@]}" "$@" || return
  local runtime
  runtime=$(vordanel_clang_runtime_package)
  if [[ -z $runtime ]]; then
    echo "error: clang is still missing after installing it" >&2
    return 1
  fi
  vordanel_apt_install "$runtime"
}

# vordanel_install_if_packaged PACKAGE...: installs those of them that this system's archive has,
# and names the others.
vordanel_install_if_packaged() {
  local missing packaged=() pkg
  mapfile -t missing < <(vordanel_missing_packages "$@")
  ((${#missing[@]} > 0)) || return 0
  vordanel_apt_update || return
  for pkg in "${missing[@]}"; do
    if apt-cache show "$pkg" >/dev/null 2>&1; then
      packaged+=("$pkg")
    else
      echo "note: $pkg is not a package of this system; the tests that need it will skip (README.md)"
    fi
  done
  ((${#packaged[@]} == 0)) || vordanel_apt_install "${packaged[@]}"
}

# vordanel_apt_install PACKAGE...: installs those of them that are missing.
vordanel_apt_install() {
  local missing
  mapfile -t missing < <(vordanel_missing_packages "$@")
  ((${#missing[@]} > 0)) || return 0
  echo "Installing missing Debian packages: ${missing[*]}"
  vordanel_apt_update || return
  vordanel_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

vordanel_missing_packages() {
  local pkg
  for pkg in "$@"; do
    [[ $(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null) == "install ok installed" ]] || echo "$pkg"
  done
}

# The package lists, updated once a run.
vordanel_apt_update() {
  [[ -z ${VORDANEL_APT_UPDATED:-} ]] || return 0
  vordanel_as_root apt-get update || return
  VORDANEL_APT_UPDATED=1
}

vordanel_as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  elif command -v sudo >/dev/null; then
    sudo "$@"
  else
    echo "error: neither root nor sudo is available to install what is missing; as root, run: $*" >&2
    return 1
  fi
}

# vordanel_build DIR [TARGET...]: configures a Release build with everything on, builds the targets
# (all of them when none is named).
vordanel_build() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVORDANEL_BUILD_TESTS=ON -DVORDANEL_BUILD_BENCH=ON -DVORDANEL_BUILD_GUI=ON
  if (($# > 0)); then
    cmake --build "$dir" --parallel --target "$@"
  else
    cmake --build "$dir" --parallel
  fi
}

# vordanel_build_checked DIR: the whole project built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzz target, in its own folder.
vordanel_build_checked() {
  local dir=$1
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVORDANEL_BUILD_TESTS=ON -DVORDANEL_BUILD_BENCH=OFF -DVORDANEL_BUILD_GUI=ON \
    -DVORDANEL_SANITIZE=ON -DVORDANEL_FUZZ=ON
  cmake --build "$dir" --parallel
}

# vordanel_build_web DIR: the web edition, vordanel.html and the hosted edition in DIR/site, by
# Debian's emscripten.
vordanel_build_web() {
  local dir=$1
  NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build "$dir" --parallel
}

# vordanel_install_web_test_driver: puppeteer-core, as pinned by web/tests/package-lock.json, to
# drive Debian's chromium and, over WebDriver BiDi, Debian's firefox-esr (it downloads no browser
# of its own).
vordanel_install_web_test_driver() {
  if [[ ! -d web/tests/node_modules/puppeteer-core || web/tests/package-lock.json -nt web/tests/node_modules ]]; then
    npm ci --prefix web/tests --no-audit --no-fund
  fi
}
