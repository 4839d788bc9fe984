# Shared by the developer scripts: set-up of a fresh Debian 12 machine, configure, build, display.
# shellcheck shell=bash

TAVLUN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TAVLUN_BUILD_DIR=${TAVLUN_BUILD_DIR:-$TAVLUN_ROOT/build}
export TAVLUN_BUILD_DIR

say() { printf '[tavlun] %s\n' "$*" >&2; }

# Debian 12 packages the build, the tests and the scripts need. wine32:i386 runs the 32-bit programs in the
# 64-bit prefix; imagemagick takes the screenshot of scripts/run; googletest brings the sources the tests build.
# fonts-wine gives Wine its own system fonts (caption buttons, message boxes) and fonts-open-sans a humanist sans
# with every Turkish letter, which scripts/wine maps "Segoe UI" to.
TAVLUN_DEBIAN_PACKAGES=(
  cmake ninja-build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  wine wine64 wine32:i386 fonts-wine fonts-open-sans
  xvfb xauth imagemagick
  googletest
)

tavlun_package_installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

# Installs whatever is missing when we are root; otherwise names it and fails.
tavlun_ensure_packages() {
  if ! command -v dpkg-query >/dev/null; then
    say "not a Debian system: install the equivalents of ${TAVLUN_DEBIAN_PACKAGES[*]} by hand"
    return 0
  fi
  local missing=() package
  for package in "${TAVLUN_DEBIAN_PACKAGES[@]}"; do
    tavlun_package_installed "$package" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" != 0 ]; then
    say "missing packages: ${missing[*]}"
    say "install them as root: dpkg --add-architecture i386 && apt-get update && apt-get install ${missing[*]}"
    return 1
  fi
  say "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

tavlun_configure() {
  if [ ! -f "$TAVLUN_BUILD_DIR/build.ninja" ]; then
    cmake -S "$TAVLUN_ROOT" -B "$TAVLUN_BUILD_DIR" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$TAVLUN_ROOT/cmake/toolchain-mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  fi
}

tavlun_build() {
  cmake --build "$TAVLUN_BUILD_DIR" "$@"
}

# Starts Xvfb when there is no display; the caller's EXIT trap stops it.
TAVLUN_XVFB_PID=""
tavlun_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  TAVLUN_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  say "Xvfb did not start"
  return 1
}

tavlun_stop_display() {
  if [ -n "$TAVLUN_XVFB_PID" ]; then
    kill "$TAVLUN_XVFB_PID" 2>/dev/null || true
    wait "$TAVLUN_XVFB_PID" 2>/dev/null || true
    TAVLUN_XVFB_PID=""
  fi
}
