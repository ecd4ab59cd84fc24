# The whole game with a level of every kind of object in view of the start:
# crawling enemies, props, two turrets firing over the hero's head, decals.
# The picture of play must show the lasers' colour; with OMBREL_OBJECTS_SHOT
# set, it is also copied there.
set -euo pipefail
source "$(dirname "$0")/game_common.bash"

builder=$build/tools/databuilder/databuilder
[ -x "$builder" ] || fail "the data builder is not built: $builder"

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
need_display

# The longest run of the lasers' orange red in one row of the window, as a
# share of its width: a laser in flight is a long horizontal streak.
laser_row() {
  window_picture "$1" \
    -fx 'r > 0.5 && g > 0.1 && g < 0.4 && b < 0.2 && r > 2 * g ? 1 : 0' \
    -scale "1x${wh}!" -format '%[fx:maxima]' info:
}

start_game
wait_menu
window_geometry
sleep 1

open_first_level

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
