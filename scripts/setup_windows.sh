#!/usr/bin/env bash
# The Windows builds of the same sources, each with the host build's data
# beside its ombrel.exe: build-win32 (the 32-bit Windows program) and build-win64
# (64-bit, with the framework's, physics' and level file's tests, which run
# here under wine64). setup_windows.sh [HOST_BUILD], the host build folder
# whose data/ is copied (default build).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
host=$here/${1:-build}
[ -d "$host/data/levels" ] || { echo "No data in $host: build the host first" >&2; exit 1; }

"$here/scripts/install_packages.sh" "$here/scripts/packages_windows.txt"
deps=$("$here/scripts/windows_deps.sh" i686-w64-mingw32 x86_64-w64-mingw32)

# windows_build FOLDER TOOLCHAIN TESTS
windows_build() {
  cmake -S "$here" -B "$here/$1" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/$2" \
    -DOMBREL_WINDOWS_DEPS="$deps" -DOMBREL_HOST_DATA="$host/data" -DCMAKE_BUILD_TYPE=Release \
    -DOMBREL_TESTS="$3" -DOMBREL_BENCH=OFF -DOMBREL_SANITIZE=OFF >/dev/null &&
    cmake --build "$here/$1" -j "$(nproc)" >"$here/$1/build.log" 2>&1 ||
    { echo "Building $1 failed; the end of $1/build.log:" >&2; tail -40 "$here/$1/build.log" >&2; return 1; }
}
windows_build build-win32 toolchain-mingw-i686.cmake OFF &
win32=$!
windows_build build-win64 toolchain-mingw-x86_64.cmake ON &
win64=$!
status=0
wait $win32 || status=1
wait $win64 || status=1
exit $status
