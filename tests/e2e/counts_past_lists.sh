# Files whose counts pass the bytes check but are more than the 32-bit game's
# lists may hold: the first tutorial level with such a polygon count, then the
# shipped level with the hero's skeleton file holding such a link count. Each
# time the level is refused with the game's line, the menu stays, and Esc
# quits with exit code 0. A 64-bit game has no such counts.
set -euo pipefail
source "$(dirname "$0")/game_common.bash"
# Byte 4 of an ELF file is its class: 1 for 32-bit, 2 for 64-bit.
if [ "$(od -An -tu1 -j4 -N1 "$build/ombrel" | tr -d ' ')" != 1 ]; then
  echo "counts past the lists: a 64-bit game has none"
  exit 77
fi
need_display

level=data/levels/tutorial/01-move.orl
skeleton=data/skeletons/brannic.fsk
"$build/tests/e2e/make_count_past_list" "$work/$level" "$work/past.orl" \
  "$work/$skeleton" "$work/past.fsk" || fail "cannot make the files"
cp "$work/$level" "$work/shipped.orl"

# refused WHAT: starts the game, opens the first tutorial level, sees it refused,
# then goes back from the tutorial's page to the root page and out with Esc.
refused() {
  start_game
  wait_menu 120
  enter_first_level
  wait_line "!![Ombrel] cannot find level file" 120
  if grep -qF "[Ombrel] level loaded" "$work/out.txt"; then fail "$1: the level was loaded"; fi
  key Escape
  sleep 0.5
  key Escape
  sleep 0.5
  alive || fail "$1: the game quit before the third Esc"
  key Escape
  wait_game 120
  [ "$rc" = 0 ] || fail "$1: exit code $rc"
  grep -qxF "[App] quitting SDL..." "$work/out.txt" || fail "$1: no orderly end"
  echo "$1: refused, exit 0"
}

cp "$work/past.orl" "$work/$level"
refused "polygon count past the list"
cp "$work/shipped.orl" "$work/$level"
cp "$work/past.fsk" "$work/$skeleton"
refused "hero's link count past the list"
