# The whole game from a copy of its folder: the menu, the first tutorial
# level driven to its exit with the Right key held, the end screen, back to
# the menu and out with Esc; then the settings file and the level's best time.
# With OMBREL_PLAY_SHOT set, the picture of play is also copied there.
set -euo pipefail

build=${1:?build folder}
work=$(mktemp -d /tmp/ombrel-play-XXXXXX)
game_pid=""
keeper_pid=""
win=""

cleanup() {
  if [ -n "$game_pid" ]; then
    kill "$game_pid" 2>/dev/null || true
    wait "$game_pid" 2>/dev/null || true
  fi
  if [ -n "$keeper_pid" ]; then kill "$keeper_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  for f in out.txt err.txt ombrel.cfg; do
    if [ -f "$work/$f" ]; then
      echo "--- $f"
      grep -v '^XGetInputFocus' "$work/$f" || true
    fi
  done
  exit 1
}

[ -n "${DISPLAY:-}" ] || fail "no X display: run under Xvfb (./test.sh starts one)"
[ -x "$build/ombrel" ] || fail "the game is not built: $build/ombrel"
level=data/levels/tutorial/01-move.orl
[ -f "$build/$level" ] || fail "the data builder made no $level"
cp "$build/ombrel" "$work/"
cp -r "$build/data" "$work/"

# One connection held open for the whole test, so that the server never resets
# between its clients.
xdotool search --sync --name "ombrel-e2e-keeper-$$-never" >/dev/null 2>&1 &
keeper_pid=$!

best_time() { od -An -t f4 -j 12 -N 4 "$work/$level" | tr -d ' '; }
[ "$(best_time)" = "9999" ] || fail "the copied level starts with best time $(best_time)"

key() { xdotool key --window "$win" "$@" || fail "keys $* could not be sent"; }
alive() { kill -0 "$game_pid" 2>/dev/null; }

wait_line() {
  for _ in $(seq 1 300); do
    grep -qxF -- "$1" "$work/out.txt" 2>/dev/null && return 0
    alive || fail "the game ended while waiting for: $1"
    sleep 0.05
  done
  fail "the log never showed: $1"
}

# shot NAME: the screen as a picture, which must not be blank.
shot() {
  # Other tests' windows may share the display: the game's goes on top first.
  xdotool windowraise "$win" 2>/dev/null || true
  sleep 0.1
  import -window root "$work/$1.png" || fail "no screenshot $1"
  local colours
  colours=$(convert "$work/$1.png" -format '%k' info:)
  [ "$colours" -gt 200 ] || fail "screenshot $1 has only $colours colours"
}

# share NAME: fraction of the window's pixels where green beats red and blue
# clearly (the end screen's veil after a record).
green_share() {
  convert "$work/$1.png" -crop "${ww}x${wh}+${wx}+${wy}" +repage -scale 25% \
    -fx 'g > r + 0.05 && g > b + 0.05 ? 1 : 0' -format '%[fx:mean]' info:
}

(cd "$work" && exec ./ombrel >"$work/out.txt" 2>"$work/err.txt") &
game_pid=$!

# The log goes to a file, which is written in blocks: the menu is known to
# be up once the screen shows it.
for _ in $(seq 1 200); do
  win=$(xdotool search --pid "$game_pid" 2>/dev/null | head -1 || true)
  [ -n "$win" ] && break
  alive || fail "the game ended before its window was found"
  sleep 0.05
done
[ -n "$win" ] || fail "no game window"
for _ in $(seq 1 60); do
  import -window root "$work/menu.png" 2>/dev/null &&
    [ "$(convert "$work/menu.png" -format '%k' info:)" -gt 200 ] && break
  alive || fail "the game ended before its menu was shown"
  sleep 0.25
done
# SDL may replace its first window while it sets the video mode.
win=$(xdotool search --pid "$game_pid" 2>/dev/null | tail -1 || true)
[ -n "$win" ] || fail "no game window once the menu is shown"
eval "$(xdotool getwindowgeometry --shell "$win" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/g_\1=/p')"
wx=${g_X:-0} wy=${g_Y:-0} ww=${g_WIDTH:-800} wh=${g_HEIGHT:-600}
sleep 1

shot menu

# start -> SELECT CHAPTER -> Tutorial -> Move: each the first item of its page.
for _ in 1 2 3; do
  key Return
  sleep 0.5
done
wait_line "[Ombrel] level loaded"

xdotool keydown --window "$win" Right || fail "Right could not be held"
sleep 3
shot play
if [ -n "${OMBREL_PLAY_SHOT:-}" ]; then cp "$work/play.png" "$OMBREL_PLAY_SHOT"; fi
finished=""
for _ in $(seq 1 40); do
  shot frame
  share=$(green_share frame)
  if awk "BEGIN { exit !($share > 0.9) }"; then
    finished=yes
    break
  fi
  alive || fail "the game ended during play"
  sleep 1
done
xdotool keyup --window "$win" Right || true
[ -n "$finished" ] || fail "the end screen never came (green share $share)"
cp "$work/frame.png" "$work/end.png"

# Any key: the record is stored and the menu comes back.
key space
sleep 1
shot back
share=$(green_share back)
awk "BEGIN { exit !($share < 0.5) }" || fail "still the end screen after a key (green share $share)"

# The menu kept the tutorial page: Esc goes to SELECT CHAPTER, then to the
# root, and only the third Esc quits.
key Escape
sleep 0.5
key Escape
sleep 0.5
alive || fail "the game quit before the third Esc"
key Escape
set +e
for _ in $(seq 1 200); do
  alive || break
  sleep 0.05
done
wait "$game_pid"
rc=$?
set -e
game_pid=""
[ "$rc" = 0 ] || fail "exit code $rc"

# The whole log is written now.
first=$(head -n 3 "$work/out.txt")
printf '%s\n' "$first" | head -n 1 | grep -qE '^This is SDLKettar .*, compiled on ' || fail "banner line 1"
[ "$(printf '%s\n' "$first" | sed -n 2p)" = "Release build" ] || fail "banner line 2"
[ "$(printf '%s\n' "$first" | sed -n 3p)" = "Running in $work/" ] || fail "banner line 3"
grep -qxF "[Ombrel] level loaded" "$work/out.txt" || fail "no level loaded line"
# A song played in the level, and the menu track again after it.
sed -n '/^\[Ombrel\] level loaded$/,$p' "$work/out.txt" | grep -qxE 'StartMusic: [1-6]' ||
  fail "no song started in the level"
sed -n '/^\[Ombrel\] level loaded$/,$p' "$work/out.txt" | sed -n '/^StartMusic: [1-6]$/,$p' |
  grep -qxF "StartMusic: 0" || fail "the menu track did not start again after the level"
if grep -qF "!![Ombrel]" "$work/out.txt"; then fail "the game reported an error"; fi
grep -qxF "[App] quitting SDL..." "$work/out.txt" || fail "no orderly end"

[ -f "$work/ombrel.cfg" ] || fail "ombrel.cfg was not written"
for line in "dualThread = false" "pps = 500" "minWidth = 800" "minHeight = 600" "fade = true" \
  "cycle = false"; do
  grep -qxF "  $line" "$work/ombrel.cfg" || fail "ombrel.cfg lacks: $line"
done

best=$(best_time)
awk "BEGIN { exit !($best < 9999 && $best > 1) }" || fail "best time $best"
echo "played: best time $best"
