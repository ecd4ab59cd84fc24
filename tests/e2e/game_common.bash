# Shared by the game's whole-program tests (sourced, not a test itself): copies
# the game and its data into a temporary program folder, starts it there under
# the X display with its log line-buffered, and drives it with xdotool.
set -euo pipefail

build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d /tmp/ombrel-e2e-XXXXXX)
game_pid=""
keeper_pid=""
win=""
rc=""

cleanup() {
  if [ -n "$game_pid" ]; then kill -9 "$game_pid" 2>/dev/null || true; fi
  if [ -n "$keeper_pid" ]; then kill "$keeper_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for f in out.txt err.txt; do
    if [ -f "$work/$f" ]; then
      echo "--- $f (last lines)"
      grep -v 'XGetInputFocus' "$work/$f" | tail -n 40
    fi
  done
  exit 1
}

sanitizer_build() { grep -q '^OMBREL_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; }

[ -x "$build/ombrel" ] || fail "the game is not built: $build/ombrel"
[ -d "$build/data/levels" ] || fail "the game's data is not built: $build/data"
cp "$build/ombrel" "$work/"
cp -r "$build/data" "$work/"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Sleeps a number of milliseconds.
sleep_ms() { sleep "$(awk -v ms="$1" 'BEGIN { printf "%.3f", ms / 1000 }')"; }

need_display() {
  [ -n "${DISPLAY:-}" ] || fail "no X display: run under Xvfb (./test.sh starts one)"
  for _ in $(seq 1 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
  done
  # One connection held open for the whole test, so that a server that resets
  # when its last client leaves never refuses the game's connection.
  xdotool search --sync --name "ombrel-e2e-keeper-$$-never" >/dev/null 2>&1 &
  keeper_pid=$!
}

# start_game [env assignments...]: the game in its folder, in the background.
start_game() {
  : >"$work/out.txt"
  (cd "$work" && exec env "$@" stdbuf -oL ./ombrel >"$work/out.txt" 2>"$work/err.txt") &
  game_pid=$!
}

# wait_line TEXT [SECONDS]: until the game's log holds a line containing TEXT.
wait_line() {
  local limit=$((${2:-30} * 20))
  for _ in $(seq 1 "$limit"); do
    grep -qF -- "$1" "$work/out.txt" 2>/dev/null && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended while waiting for: $1"
    sleep 0.05
  done
  fail "the log never showed: $1"
}

# wait_menu: until the menu is built (its last sound loaded), then finds the window.
wait_menu() {
  wait_line "data/audio/sounds/menu/back.wav loaded" "${1:-60}"
  win=""
  for _ in $(seq 1 200); do
    win=$(xdotool search --pid "$game_pid" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before its window was found"
    sleep 0.05
  done
  fail "no game window"
}

# key KEYS...: presses and releases each key in the game's window.
key() { xdotool key --window "$win" "$@" 2>/dev/null || fail "keys $* could not be sent"; }

# wait_game [SECONDS]: waits for the game to end by itself; sets rc.
wait_game() {
  local limit=$((${1:-60} * 20))
  set +e
  for _ in $(seq 1 "$limit"); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$game_pid" 2>/dev/null && fail "the game did not end"
  wait "$game_pid"
  rc=$?
  set -e
  game_pid=""
}

# kill_game: SIGKILL, and waits until it is gone.
kill_game() {
  kill -9 "$game_pid" 2>/dev/null || true
  wait "$game_pid" 2>/dev/null || true
  game_pid=""
}
