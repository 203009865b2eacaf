# Sourced by run.sh and test.sh: installs the Debian packages the build and the tests need,
# then configures and builds into build/.

# shellcheck disable=SC2034
VORDANEL_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libbenchmark-dev libcli11-dev
  qt6-base-dev libgl-dev libqt6svg6 fonts-ipafont-gothic
  desktop-file-utils appstream dpkg-dev file
  xvfb xauth xdotool x11-utils
  clang libclang-rt-14-dev
)
# What the whole suite needs besides (test.sh): a dark desktop theme and image tools for the
# window's look and xclip to read its answer back, emscripten, the font tools, chromium and
# firefox-esr for the web edition, and poppler-utils to read back the text of the calculation
# sheet it prints.
VORDANEL_TEST_PACKAGES=(
  qt6-gtk-platformtheme imagemagick xclip
  emscripten python3-fonttools chromium firefox-esr poppler-utils
)
# node and npm drive the web edition's browser tests. Many machines carry a node of their own,
# outside Debian, with which Debian's npm package conflicts: install them only where the commands
# are missing.
vordanel_node_packages() {
  command -v node >/dev/null || echo nodejs
  command -v npm >/dev/null || echo npm
}

vordanel_install_packages() {
  local missing=()
  local pkg
  for pkg in "${VORDANEL_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "Installing missing Debian packages: ${missing[*]}"
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "error: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
      return 1
    fi
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
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

# vordanel_build_web DIR: the web edition, vordanel.html, by Debian's emscripten.
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
