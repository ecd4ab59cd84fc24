#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the release
# build, the sanitizer build, the 32-bit Linux build under qemu, the file
# readers' fuzz targets, then the 32-bit Windows build under wine32. Window
# tests run on one Xvfb server. Each stage's line tells how far into the run it
# began.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)
began=$(date +%s)
stage() { echo "== $1 ($(($(date +%s) - began)) s into the run)"; }
xvfb_pid=""
windows_deps=""
stop_jobs() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  [ -z "$windows_deps" ] || kill "$windows_deps" 2>/dev/null || true
}
trap stop_jobs EXIT

# Every package of every stage at once, and the source entries the Windows
# libraries are fetched from; then those libraries (a few minutes on a fresh
# machine, nothing once cached) build while the Linux stages run.
scripts/install_packages.sh scripts/packages.txt scripts/packages_i386.txt scripts/packages_windows.txt
# Without them only the Windows stage fails, and says why.
scripts/apt_sources.sh || true
windows_deps_log=$(mktemp /tmp/ombrel-windows-deps-XXXXXX.log)
scripts/windows_deps.sh i686-w64-mingw32 >"$windows_deps_log" 2>&1 &
windows_deps=$!

stage "Linux builds"
# The flags are explicit: ./run.sh configures the same folder without the tests.
scripts/setup.sh build -DOMBREL_SANITIZE=OFF -DOMBREL_TESTS=ON -DOMBREL_BENCH=ON
scripts/setup.sh build-asan -DOMBREL_SANITIZE=ON -DOMBREL_TESTS=ON -DOMBREL_BENCH=OFF

display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do
  display=$((display + 1))
done
# -noreset: the server would otherwise reset each time its last client leaves
# and refuse the clients that connect meanwhile.
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X${display}" ] && break
  sleep 0.1
done
export DISPLAY=":$display"
export SDL_AUDIODRIVER=dummy
export SDL_VIDEODRIVER=x11
export LIBGL_ALWAYS_SOFTWARE=1

# Should a window test still lose its X connection under load, the failed
# tests run once more, alone, and the run fails only if they fail again.
run_tests() {
  local dir=$1
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" && return 0
  echo "Running the failed tests of $dir again, one at a time:"
  ctest --test-dir "$dir" --output-on-failure --rerun-failed
}

status=0
stage "Release build's tests"
run_tests build || status=1
stage "Sanitizer build's tests"
# Mesa and SDL keep allocations to process exit; leaks are not what this build hunts.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tests build-asan || status=1
stage "32-bit Linux build"
scripts/test_i386.sh || status=1

# The file readers' fuzz targets: clang, in a folder of their own, seeded with
# the data the release build made; each runs 30 s, all at once, and any
# finding fails the run.
run_fuzzers() {
  cmake -S fuzz -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
    cmake --build build-fuzz -j "$jobs" >/dev/null &&
    fuzz/run.sh build-fuzz build/data 30
}
stage "Fuzz targets"
run_fuzzers || status=1
stage "Windows builds"
deps_status=0
wait $windows_deps || deps_status=$?
windows_deps=""
if [ $deps_status -eq 0 ]; then
  scripts/test_windows.sh || status=1
else
  echo "Building the Windows libraries failed:"
  tail -40 "$windows_deps_log"
  status=1
fi
rm -f "$windows_deps_log"
stage "End"
exit $status
