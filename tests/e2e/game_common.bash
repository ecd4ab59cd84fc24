# Shared by the game's whole-program tests (sourced, not a test itself): copies
# the game and its data into a temporary program folder, starts it there under
# the X display with its log line-buffered, and drives it with xdotool.
set -euo pipefail

build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d /tmp/ombrel-e2e-XXXXXX)
game_pid=""
source "$(dirname "${BASH_SOURCE[0]}")/display_common.bash"
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
  for f in out.txt err.txt ombrel.cfg; do
    if [ -f "$work/$f" ]; then
      echo "--- $f (last lines)"
      grep -v 'XGetInputFocus' "$work/$f" | tail -n 40
    fi
  done
  exit 1
}

sanitizer_build() { grep -q '^OMBREL_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; }
# stdbuf preloads its library ahead of the sanitizer runtime.
if sanitizer_build; then export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"; fi

[ -x "$build/ombrel" ] || fail "the game is not built: $build/ombrel"
[ -d "$build/data/levels" ] || fail "the game's data is not built: $build/data"
cp "$build/ombrel" "$work/"
cp -r "$build/data" "$work/"

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Sleeps a number of milliseconds.
sleep_ms() { sleep "$(awk -v ms="$1" 'BEGIN { printf "%.3f", ms / 1000 }')"; }

# start_game [env assignments...] [command...]: the game in its folder, in the
# background; a command given runs the game (as env runs one, e.g. setpriv).
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

# alive: whether the game still runs.
alive() { kill -0 "$game_pid" 2>/dev/null; }

# window_geometry: the game window's place and size on the screen (wx wy ww wh).
window_geometry() {
  local g_X="" g_Y="" g_WIDTH="" g_HEIGHT=""
  eval "$(xdotool getwindowgeometry --shell "$win" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/g_\1=/p')"
  wx=${g_X:-0} wy=${g_Y:-0} ww=${g_WIDTH:-800} wh=${g_HEIGHT:-600}
}

# shot NAME: the screen as the picture NAME.png, which must not be blank. A blank
# screen is taken again for up to 30 s: under emulation the first frames are slow.
shot() {
  local colours=0
  for _ in $(seq 1 30); do
    # Other tests' windows may share the display: the game's goes on top first.
    xdotool windowraise "$win" 2>/dev/null || true
    sleep 0.1
    import -window root "$work/$1.png" || fail "no screenshot $1"
    colours=$(convert "$work/$1.png" -format '%k' info:)
    [ "$colours" -gt 200 ] && return 0
    alive || fail "the game ended before screenshot $1"
    sleep 0.9
  done
  fail "screenshot $1 has only $colours colours"
}

# window_picture NAME CONVERT-ARGS...: the picture NAME.png cut to the game's
# window (see window_geometry), then converted with the given arguments.
window_picture() {
  local name=$1
  shift
  convert "$work/$name.png" -crop "${ww}x${wh}+${wx}+${wy}" +repage "$@"
}

# key KEYS...: presses and releases each key in the game's window.
key() { send_keys "$win" key "$@" 2>/dev/null || fail "keys $* could not be sent"; }

# enter_first_level: from the menu's root page, start -> SELECT CHAPTER ->
# Tutorial -> its first level, each the first item of its page.
enter_first_level() {
  for _ in 1 2 3; do
    key Return
    sleep 0.5
  done
}

# open_first_level: enter_first_level, until the level is loaded.
open_first_level() {
  enter_first_level
  wait_line "[Ombrel] level loaded"
}

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
