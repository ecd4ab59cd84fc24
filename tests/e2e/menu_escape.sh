# The shortest whole run of the game from a copy of its folder: start-up to the
# first frame of the menu, then Esc on the menu's root page quits with exit 0
# and an orderly end. It is the whole-program check the emulated 32-bit build
# runs too.
set -euo pipefail
source "$(dirname "$0")/game_common.bash"
need_display

start_game
wait_menu 120
shot menu
key Escape
wait_game 60
[ "$rc" = 0 ] || fail "exit code $rc"
# The data holds the one texture form the build names (.ktr, or .png in the 32-bit build).
background=$(ls "$work"/data/textures/mainMenu.*)
grep -qxF "[TexMan] loaded texture: $background" "$work/out.txt" || fail "no menu background: $background"
if grep -qF "!![TexMan]" "$work/out.txt"; then fail "a texture did not load"; fi
grep -qxF "[App] quitting SDL..." "$work/out.txt" || fail "no orderly end"
[ -f "$work/ombrel.cfg" ] || fail "ombrel.cfg was not written"
echo "menu and Esc: exit 0"
