# The whole game from a copy of its folder: the menu, the first tutorial
# level driven to its exit with the Right key held, the end screen, back to
# the menu and out with Esc; then the settings file and the level's best time.
# With OMBREL_PLAY_SHOT set, the picture of play is also copied there.
set -euo pipefail
source "$(dirname "$0")/game_common.bash"

level=data/levels/tutorial/01-move.orl
[ -f "$work/$level" ] || fail "the data builder made no $level"
need_display

best_time() { od -An -t f4 -j 12 -N 4 "$work/$level" | tr -d ' '; }
[ "$(best_time)" = "9999" ] || fail "the copied level starts with best time $(best_time)"

# share NAME: fraction of the window's pixels where green beats red and blue
# clearly (the end screen's veil after a record).
green_share() {
  window_picture "$1" -scale 25% \
    -fx 'g > r + 0.05 && g > b + 0.05 ? 1 : 0' -format '%[fx:mean]' info:
}

start_game
wait_menu
window_geometry
sleep 1

shot menu

open_first_level

send_keys "$win" keydown Right || fail "Right could not be held"
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
send_keys "$win" keyup Right || true
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
wait_game 10
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
