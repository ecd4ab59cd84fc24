# The options menu of the whole game, chosen with keys as a player does: a
# resolution, vsync, antialiasing, each volume and fullscreen; then Esc twice
# quits, and the settings file written at the end holds every choice (width and
# height the right way round, the music volume bounded by the mixer) beside the
# values the game forces.
set -euo pipefail
source "$(dirname "$0")/game_common.bash"
need_display
defaults=$(dirname "$0")/../kettar/default_settings.cfg
[ -f "$defaults" ] || fail "no default settings file: $defaults"
[ ! -e "$work/ombrel.cfg" ] || fail "the copied folder already holds ombrel.cfg"

# menu_keys KEY...: the keys one after the other, as a player presses them.
menu_keys() { key --delay 100 "$@"; }

start_game SDL_AUDIODRIVER=dummy
wait_menu
# The volumes are the mixer's: it must have opened.
grep -qxF "[Mixer] SDL mixer init" "$work/out.txt" || fail "the mixer did not open"
# From the root page: Down to "options", Enter opens OPTIONS on "Resolution".
menu_keys Down Return
# "1280 x 1024 - 5/4" is the eighth resolution.
menu_keys Return Down Down Down Down Down Down Down Return
# "Vsync", "yes, please".
menu_keys Down Down Return Return
# "Antialiasing", "4x".
menu_keys Down Return Down Down Return
# "Sound volume", "20".
menu_keys Down Return Down Return
# "Music volume", "100": with sound 60 and music 40 when the device opened,
# the mixer stores at most 80.
menu_keys Down Return Down Down Down Down Down Return
# Back up to "Fullscreen", "yes, please"; last, as the window changes.
menu_keys Up Up Up Up Return Return
sleep 1
alive || fail "the game ended in the options"
# OPTIONS to the root page, then out: the window may be gone before the last
# key's release is sent.
menu_keys Escape
sleep 0.5
alive || fail "the game ended on leaving OPTIONS"
send_keys "$win" key Escape 2>/dev/null || true
wait_game 30
[ "$rc" = 0 ] || fail "exit code $rc"
grep -qxF "[App] quitting SDL..." "$work/out.txt" || fail "no orderly end"

[ -f "$work/ombrel.cfg" ] || fail "ombrel.cfg was not written"
sed -e 's/^  pps = 120$/  pps = 500/' \
  -e 's/^  minWidth = 320$/  minWidth = 800/' \
  -e 's/^  minHeight = 200$/  minHeight = 600/' \
  -e 's/^  fade = false$/  fade = true/' \
  -e 's/^  width = 800$/  width = 1280/' \
  -e 's/^  height = 600$/  height = 1024/' \
  -e 's/^  vsync = false$/  vsync = true/' \
  -e 's/^  antialias = 0$/  antialias = 4/' \
  -e 's/^  fullScreen = false$/  fullScreen = true/' \
  -e 's/^  soundVol = 60$/  soundVol = 20/' \
  -e 's/^  musicVol = 40$/  musicVol = 80/' \
  "$defaults" >"$work/expected.cfg"
if ! cmp -s "$work/expected.cfg" "$work/ombrel.cfg"; then
  diff "$work/expected.cfg" "$work/ombrel.cfg" || true
  fail "ombrel.cfg does not hold the options chosen"
fi
echo "game options: ok"
