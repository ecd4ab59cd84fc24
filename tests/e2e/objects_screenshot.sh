# The whole game with a level of every kind of object in view of the start:
# crawling enemies, props, two turrets firing over the hero's head, decals.
# The picture of play must show the lasers' colour; with OMBREL_OBJECTS_SHOT
# set, it is also copied there.
set -euo pipefail

build=${1:?build folder}
work=$(mktemp -d /tmp/ombrel-objects-XXXXXX)
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
  for f in out.txt err.txt; do
    if [ -f "$work/$f" ]; then
      echo "--- $f"
      grep -v '^XGetInputFocus' "$work/$f" || true
    fi
  done
  exit 1
}

[ -n "${DISPLAY:-}" ] || fail "no X display: run under Xvfb (./test.sh starts one)"
[ -x "$build/ombrel" ] || fail "the game is not built: $build/ombrel"
builder=$build/tools/databuilder/databuilder
[ -x "$builder" ] || fail "the data builder is not built: $builder"
cp "$build/ombrel" "$work/"
cp -r "$build/data" "$work/"

# The first tutorial level, the menu's first item, becomes this one.
cat >"$work/objects.txt" <<'LEVEL'
size 48 28
start 0 -3.2
exit 19 -3.8 19 0
parallax back=4 front=2
terrain texture=4 border=2 scale=0.3

polygon
  -20 -4
  20 -4
  20 8
  -20 8
end

enemy vaxer -2 -3
enemy vazer 2.2 -3
enemy skarnox 12 -3
prop barrel -3.1 -3.2
prop crate 3.3 -3.1
prop bar -12 -1.3
turret -3.6 -0.4 interval=0.3 phase=0
turret 3.6 -1.1 flip interval=0.4 phase=50
decal techno/buildings/3 -1.6 -1 scale=0.6
decal moss/vegs/5 1.3 -2.9 scale=0.5
decal fire/objects/2 0.6 0 scale=0.5 rotation=30 flipx
LEVEL
"$builder" level "$work/objects.txt" "$work/data/levels/tutorial/01-move.orl" ||
  fail "the level of objects was refused"

xdotool search --sync --name "ombrel-e2e-keeper-$$-never" >/dev/null 2>&1 &
keeper_pid=$!

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

shot() {
  xdotool windowraise "$win" 2>/dev/null || true
  sleep 0.1
  import -window root "$work/$1.png" || fail "no screenshot $1"
  local colours
  colours=$(convert "$work/$1.png" -format '%k' info:)
  [ "$colours" -gt 200 ] || fail "screenshot $1 has only $colours colours"
}

# The longest run of the lasers' orange red in one row of the window, as a
# share of its width: a laser in flight is a long horizontal streak.
laser_row() {
  convert "$work/$1.png" -crop "${ww}x${wh}+${wx}+${wy}" +repage \
    -fx 'r > 0.5 && g > 0.1 && g < 0.4 && b < 0.2 && r > 2 * g ? 1 : 0' \
    -scale "1x${wh}!" -format '%[fx:maxima]' info:
}

(cd "$work" && exec ./ombrel >"$work/out.txt" 2>"$work/err.txt") &
game_pid=$!

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
win=$(xdotool search --pid "$game_pid" 2>/dev/null | tail -1 || true)
[ -n "$win" ] || fail "no game window once the menu is shown"
eval "$(xdotool getwindowgeometry --shell "$win" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=/g_\1=/p')"
wx=${g_X:-0} wy=${g_Y:-0} ww=${g_WIDTH:-800} wh=${g_HEIGHT:-600}
sleep 1

# start -> SELECT CHAPTER -> Tutorial -> its first level.
for _ in 1 2 3; do
  key Return
  sleep 0.5
done
wait_line "[Ombrel] level loaded"

# The camera glides to the hero; the turrets fire every 0.8 and 0.9 s. The
# lasers are thin: try a few pictures for one that catches them.
sleep 2
found=""
for _ in $(seq 1 10); do
  shot play
  share=$(laser_row play)
  if awk "BEGIN { exit !($share > 0.1) }"; then
    found=yes
    break
  fi
  alive || fail "the game ended during play"
  sleep 0.3
done
[ -n "$found" ] || fail "no laser in the picture of play (longest row $share)"
if [ -n "${OMBREL_OBJECTS_SHOT:-}" ]; then cp "$work/play.png" "$OMBREL_OBJECTS_SHOT"; fi
if grep -qF "!![Ombrel]" "$work/out.txt"; then fail "the game reported an error"; fi
grep -q "^!!\[TexMan\]" "$work/out.txt" && fail "a texture did not load"
echo "objects shown: laser row $share"
