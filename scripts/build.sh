#!/usr/bin/env bash
# Configures and builds the three builds of the tree:
#   $BUILD_ROOT/native   host compiler (clang when present): core, unmcheck, native tests, fuzz targets
#   $BUILD_ROOT/i686     what ships: TORVAX02.exe, BELDRA02.dll, QUENTIC02.dll
#   $BUILD_ROOT/x64      the same sources for x86_64, run under wine64 by the tests
# BUILD_ROOT defaults to ./build. Pass build names to build only some of them.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
root=${BUILD_ROOT:-$src/build}
jobs=${JOBS:-$(nproc)}
builds=("$@")
[ ${#builds[@]} -gt 0 ] || builds=(native i686 x64)

configure() {  # name, extra cmake arguments (first configure only)...
  local dir="$root/$1"; shift
  # A tree configured with the posix-thread MinGW compilers (before the
  # shipped build moved to the win32 model) cannot switch compilers in place.
  if [ -f "$dir/CMakeCache.txt" ] && grep -q '^CMAKE_CXX_COMPILER:.*-posix$' "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
  fi
  if [ -f "$dir/CMakeCache.txt" ]; then
    # Reconfigure every time: components and test folders are found by globbing.
    cmake -S "$src" -B "$dir" >/dev/null
  else
    cmake -S "$src" -B "$dir" "$@" >/dev/null
  fi
}
for b in "${builds[@]}"; do
  case "$b" in
    native)
      if command -v clang++ >/dev/null; then
        configure native -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
      else
        configure native
      fi ;;
    i686) configure i686 -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw-i686.cmake" ;;
    x64)  configure x64  -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-mingw-x86_64.cmake" ;;
    *) echo "build.sh: unknown build '$b' (native, i686, x64)" >&2; exit 2 ;;
  esac
  echo "== build $b"
  cmake --build "$root/$b" -j "$jobs"
done
