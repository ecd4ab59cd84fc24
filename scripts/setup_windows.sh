#!/usr/bin/env bash
# The 32-bit Windows build of the same sources: build-win32, ombrel.exe with the
# host build's data beside it, and its test programs, which run here under
# wine32 (scripts/wine32.sh) in the build's own wine prefix, made here once.
# setup_windows.sh [HOST_BUILD], the host build folder whose data/ is copied
# (default build).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
host=$here/${1:-build}
build=$here/build-win32
[ -d "$host/data/levels" ] || { echo "No data in $host: build the host first" >&2; exit 1; }

"$here/scripts/install_packages.sh" "$here/scripts/packages_windows.txt"
deps=$("$here/scripts/windows_deps.sh" i686-w64-mingw32)
wine32=$("$here/scripts/setup_wine32.sh")

cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-mingw-i686.cmake" \
  -DOMBREL_WINDOWS_DEPS="$deps" -DOMBREL_WINE32_SYSROOT="$wine32" -DOMBREL_HOST_DATA="$host/data" \
  -DCMAKE_BUILD_TYPE=Release -DOMBREL_TESTS=ON -DOMBREL_BENCH=OFF -DOMBREL_SANITIZE=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" >"$build/build.log" 2>&1 ||
  { echo "Building build-win32 failed; the end of build-win32/build.log:" >&2; tail -40 "$build/build.log" >&2; exit 1; }

# The prefix, before ctest starts several programs at once; the first start
# makes one (about ten seconds under qemu).
if [ ! -e "$build/wine/system.reg" ]; then
  OMBREL_WINE32_SYSROOT=$wine32 WINEPREFIX=$build/wine "$here/scripts/wine32.sh" wineboot --init
fi
