# Shared by the framework demo's whole-program tests (sourced, not a test itself):
# copies the demo and its font into a temporary program folder, starts it there
# under the X display and reads what it logged.
set -euo pipefail

build=${1:?build folder}
work=$(mktemp -d /tmp/kettar-demo-XXXXXX)
demo_pid=""
source "$(dirname "${BASH_SOURCE[0]}")/display_common.bash"
rc=""
win=""

cleanup() {
  if [ -n "$demo_pid" ]; then kill "$demo_pid" 2>/dev/null || true; fi
  if [ -n "$keeper_pid" ]; then kill "$keeper_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for f in out.txt err.txt logfile.txt demo.cfg; do
    if [ -f "$work/$f" ]; then
      echo "--- $f"
      cat "$work/$f"
    fi
  done
  exit 1
}

[ -x "$build/tools/demo/kettar_demo" ] || fail "the demo is not built: $build/tools/demo/kettar_demo"
cp "$build/tools/demo/kettar_demo" "$work/"
mkdir -p "$work/data/fonts"
cp "$build/tools/demo/data/fonts/DejaVuSans.ttf" "$work/data/fonts/"

# start_demo [env assignments...]: runs the demo in its folder in the background.
start_demo() {
  (cd "$work" && exec env "$@" ./kettar_demo >"$work/out.txt" 2>"$work/err.txt") &
  demo_pid=$!
}

# Runs the demo to its end in the foreground; sets rc.
run_demo() {
  set +e
  (cd "$work" && exec env "$@" timeout 60 ./kettar_demo >"$work/out.txt" 2>"$work/err.txt")
  rc=$?
  set -e
}

# find_window: sets win to the demo's window. A search can fail while other programs'
# windows come and go, so it is tried again.
find_window() {
  win=""
  for _ in $(seq 1 100); do
    win=$(xdotool search --pid "$demo_pid" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && return 0
    kill -0 "$demo_pid" 2>/dev/null || fail "the demo ended before its window was found"
    sleep 0.05
  done
  fail "no demo window"
}

# wait_ready [LOG]: until the demo has logged that it is ready (in LOG, by default the
# console's), then finds its window: SDL may replace its first window while it sets the
# video mode, so the window is only looked up once start-up is over.
wait_ready() {
  local log=${1:-$work/out.txt}
  for _ in $(seq 1 300); do
    grep -qxF "[Demo] ready" "$log" 2>/dev/null && break
    kill -0 "$demo_pid" 2>/dev/null || fail "the demo ended before it was ready"
    sleep 0.05
  done
  grep -qxF "[Demo] ready" "$log" 2>/dev/null || fail "the demo never got ready"
  find_window
}

# wait_line TEXT: until the log holds the line.
wait_line() {
  for _ in $(seq 1 200); do
    grep -qxF -- "$1" "$work/out.txt" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "the log never showed: $1"
}

# Waits for the background demo to end; sets rc.
wait_demo() {
  set +e
  for _ in $(seq 1 300); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.05
  done
  wait "$demo_pid"
  rc=$?
  set -e
  demo_pid=""
}

key() { send_keys "$win" key "$@" || fail "keys $* could not be sent to window $win"; }

expect_rc() { [ "$rc" = "$1" ] || fail "exit code $rc, expected $1"; }
expect_line() { grep -qxF -- "$1" "$work/out.txt" || fail "missing line: $1"; }
expect_no_line() { if grep -qF -- "$1" "$work/out.txt"; then fail "unexpected line: $1"; fi; }
expect_match() { grep -qxE -- "$1" "$work/out.txt" || fail "no line matches: $1"; }

# expect_tail FILE <<< lines: the file ends with exactly these lines.
expect_tail() {
  local file=$1 want got
  want=$(cat)
  got=$(tail -n "$(printf '%s\n' "$want" | wc -l)" "$file")
  [ "$got" = "$want" ] || fail "$(basename "$file") ends with:
$got
expected:
$want"
}

expect_banner() {
  local first
  first=$(head -n 3 "$work/out.txt")
  printf '%s\n' "$first" | head -n 1 |
    grep -qxE 'This is SDLKettar 1\.0-r7, compiled on [A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}' ||
    fail "banner line 1: $(printf '%s\n' "$first" | head -n 1)"
  [ "$(printf '%s\n' "$first" | sed -n 2p)" = "Release build" ] || fail "banner line 2"
  [ "$(printf '%s\n' "$first" | sed -n 3p)" = "Running in $work/" ] || fail "banner line 3"
}

# The settings file the demo writes with every setting at its default; the framework's
# unit tests compare the written form against the same file.
default_settings=$(dirname "${BASH_SOURCE[0]}")/../kettar/default_settings.cfg
[ -f "$default_settings" ] || fail "no default settings file: $default_settings"
default_config() { cat "$default_settings"; }

# write_config SED-SCRIPT: demo.cfg = the defaults edited by the script.
write_config() { default_config | sed -e "$1" >"$work/demo.cfg"; }

# expect_config SED-SCRIPT: demo.cfg is exactly the defaults edited by the script.
expect_config() {
  [ -f "$work/demo.cfg" ] || fail "demo.cfg was not written"
  default_config | sed -e "${1:-}" | cmp -s - "$work/demo.cfg" || fail "demo.cfg differs from what was expected"
}
