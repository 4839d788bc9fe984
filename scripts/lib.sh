# Shared by the developer scripts: set-up of a fresh Debian 12 machine, configure, build, display.
# shellcheck shell=bash

TAVLUN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TAVLUN_BUILD_DIR=${TAVLUN_BUILD_DIR:-$TAVLUN_ROOT/build}
export TAVLUN_BUILD_DIR

say() { printf '[tavlun] %s\n' "$*" >&2; }

# Installs the Debian packages the build and the tests need, when something is missing and we are root.
tavlun_ensure_packages() {
  local missing=()
  command -v cmake >/dev/null || missing+=(cmake)
  command -v ninja >/dev/null || missing+=(ninja-build)
  command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)
  command -v x86_64-w64-mingw32-gcc-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
  command -v i686-w64-mingw32-objdump >/dev/null || missing+=(binutils-mingw-w64-i686)
  command -v wine >/dev/null || missing+=(wine)
  command -v wine64 >/dev/null || missing+=(wine64)
  dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v xauth >/dev/null || missing+=(xauth)
  [ -x /usr/bin/convert-im6.q16 ] || missing+=(imagemagick)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" != 0 ]; then
    say "missing packages: ${missing[*]}; install them as root (apt-get install ${missing[*]})"
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
