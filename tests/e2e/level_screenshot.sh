# A level file from the data builder, drawn by the level viewer as the game
# draws it (parallax, terrain fill, border strips) and saved as a picture:
# the picture must show the level, not a blank or grey window.
set -euo pipefail

build=${1:?build folder}
work=$(mktemp -d /tmp/ombrel-levelview-XXXXXX)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  [ -f "$work/err.txt" ] && cat "$work/err.txt"
  exit 1
}

[ -n "${DISPLAY:-}" ] || fail "no X display: run under Xvfb (./test.sh starts one)"
[ -x "$build/levelview" ] || fail "the level viewer is not built: $build/levelview"
level=data/levels/tutorial/01-move.orl
[ -f "$build/$level" ] || fail "the data builder made no $level"

# The viewer finds its textures beside itself, as the game does.
cp "$build/levelview" "$work/"
mkdir -p "$work/data/levels/tutorial"
cp -r "$build/data/textures" "$work/data/"
cp "$build/$level" "$work/$level"

"$work/levelview" "$work/$level" "$work/frame.bmp" >"$work/out.txt" 2>"$work/err.txt" ||
  fail "the viewer failed with $?"
convert "$work/frame.bmp" "$work/frame.png"
colours=$(convert "$work/frame.png" -format '%k' info:)
[ "$colours" -gt 1000 ] || fail "only $colours colours: nothing textured was drawn"
# The clear colour is a flat grey (77, 77, 77); the level and its parallax
# cover the whole view.
grey=$(convert "$work/frame.png" -fx 'abs(r-0.302)<0.01 && abs(g-0.302)<0.01 && abs(b-0.302)<0.01 ? 1 : 0' \
  -format '%[fx:mean]' info:)
awk "BEGIN { exit !($grey < 0.01) }" || fail "$grey of the frame is the clear colour"
# The terrain textures are green and brown, the parallax blue: both show.
green=$(convert "$work/frame.png" -fx 'g>r && g>b ? 1 : 0' -format '%[fx:mean]' info:)
blue=$(convert "$work/frame.png" -fx 'b>r && b>g ? 1 : 0' -format '%[fx:mean]' info:)
awk "BEGIN { exit !($green > 0.1 && $blue > 0.1) }" || fail "green $green, blue $blue: terrain or parallax missing"
echo "level drawn: $colours colours, green $green, blue $blue"
