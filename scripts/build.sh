#!/usr/bin/env bash
# Configures and builds one of the project's builds: x64 (the Windows program that runs here under Wine,
# with its tests), i686 (the primary Windows artifact: built strictly, its tests run where 32-bit code
# runs), native (the pure logic and its tests with the host compiler), native32 (the same as 32-bit
# code), asan (native under AddressSanitizer and UBSan), tsan (native under ThreadSanitizer), clang-x64
# and clang-i686 (the Windows program built by clang instead of g++: a second compiler's warnings).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:?usage: build.sh x64|i686|native|native32|asan|tsan|clang-x64|clang-i686 [ninja targets...]}
shift
dir=$root/build/$kind
case $kind in
  x64)    args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake") ;;
  i686)   args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" -DVX_BENCH=OFF -DVX_STRICT=ON) ;;
  clang-x64)  args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-clang-x86_64-w64-mingw32.cmake" -DVX_BENCH=OFF -DVX_STRICT=ON) ;;
  clang-i686) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-clang-i686-w64-mingw32.cmake" -DVX_BENCH=OFF -DVX_STRICT=ON) ;;
  native) args=() ;;
  native32) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-native-m32.cmake") ;;
  asan)   args=(-DVX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
  tsan)   args=(-DVX_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  *) echo "build.sh: unknown build '$kind'" >&2; exit 2 ;;
esac
# Configured once, and again when this script's options for the build change.
if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/.vx-args" 2>/dev/null)" != "${args[*]}" ]; then
  cmake -G Ninja -S "$root" -B "$dir" "${args[@]}" >/dev/null
  echo "${args[*]}" > "$dir/.vx-args"
fi
ninja --quiet -C "$dir" "$@"
