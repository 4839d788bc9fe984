# Shared by scripts/native-test and scripts/fuzz: the native (host) build of the pure logic with clang and the
# sanitizers, in build/native. Sourced after lib.sh.
# shellcheck shell=bash

TAVLUN_NATIVE_BUILD_DIR=${TAVLUN_NATIVE_BUILD_DIR:-$TAVLUN_BUILD_DIR/native}
TAVLUN_NATIVE_CXX=${TAVLUN_NATIVE_CXX:-clang++-14}

# clang with libFuzzer and the sanitizer runtimes, its symbolizer, CMake, Ninja and the GoogleTest sources;
# installed as root.
tavlun_ensure_native_packages() {
  local missing=()
  command -v cmake >/dev/null || missing+=(cmake)
  command -v ninja >/dev/null || missing+=(ninja-build)
  command -v "$TAVLUN_NATIVE_CXX" >/dev/null || missing+=(clang-14)
  [ -n "$(find /usr/lib/llvm-14/lib/clang -name 'libclang_rt.fuzzer-x86_64.a' 2>/dev/null | head -1)" ] ||
    missing+=(libclang-rt-14-dev)
  # Readable sanitizer reports (file and line) need the symbolizer.
  [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ] || missing+=(llvm-14)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" != 0 ]; then
    say "missing packages: ${missing[*]}; install them as root (apt-get install ${missing[*]})"
    return 1
  fi
  say "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

tavlun_configure_native() {
  if [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
    export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-/usr/lib/llvm-14/bin/llvm-symbolizer}
  fi
  if [ ! -f "$TAVLUN_NATIVE_BUILD_DIR/build.ninja" ]; then
    cmake -S "$TAVLUN_ROOT/tests/native" -B "$TAVLUN_NATIVE_BUILD_DIR" -G Ninja \
      -DCMAKE_CXX_COMPILER="$TAVLUN_NATIVE_CXX" "$@" >/dev/null
  fi
  if [ -n "${TAVLUN_FUZZ_SECONDS:-}" ]; then
    cmake "$TAVLUN_NATIVE_BUILD_DIR" -DTAVLUN_FUZZ_SECONDS="$TAVLUN_FUZZ_SECONDS" >/dev/null
  fi
}

tavlun_build_native() {
  cmake --build "$TAVLUN_NATIVE_BUILD_DIR" "$@"
}
