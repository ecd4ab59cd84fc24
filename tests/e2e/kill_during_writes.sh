# Crash safety of the files the game writes: the game is killed (SIGKILL) at
# random moments around the quit key, which writes ombrel.cfg at exit, and around
# the end screen's key press, which rewrites a level's best time in place. After
# every kill the configuration and the level file must each be their old or
# their new version, never a truncated or mixed one. 25 tries of each.
source "$(dirname "$0")/game_common.bash"
# The sanitizer build runs the soak; the same kills there only take longer.
if sanitizer_build; then
  echo "kill test: runs in the release build"
  exit 77
fi
need_display

tries=${OMBREL_KILL_TRIES:-25}
level=data/levels/tutorial/01-move.orl
"$build/tests/e2e/make_finish_level" "$work/$level" "$work/old.orl" ||
  fail "cannot make the level that ends at once"

restore() {
  cp "$work/old.orl" "$work/$level"
  cp "$work/old.cfg" "$work/ombrel.cfg"
  rm -f "$work"/ombrel.cfg*.tmp
}

# Start to menu, to the first tutorial level, which ends at once on the end screen.
start_to_menu() {
  start_game
  wait_menu
}
start_to_end_screen() {
  start_to_menu
  key --delay 100 Return Return Return
  wait_line "[Ombrel] level loaded"
  sleep 1
}

# The old configuration: what the game writes, with a pps that it forces back to 500.
cp /dev/null "$work/old.cfg"
rm -f "$work/ombrel.cfg"
start_to_menu
key Escape
wait_game
[ "$rc" = 0 ] || fail "exit code $rc after Esc on the menu"
[ -f "$work/ombrel.cfg" ] || fail "no ombrel.cfg written at exit"
grep -q '^  pps = 500$' "$work/ombrel.cfg" || fail "the written configuration does not force pps 500"
sed 's/^  pps = 500$/  pps = 120/' "$work/ombrel.cfg" >"$work/old.cfg"

# A clean quit from the old files: the new configuration and the quit's duration.
restore
start_to_menu
quit_key=$(now_ms)
key Escape
wait_game
quit_ms=$(($(now_ms) - quit_key))
[ "$rc" = 0 ] || fail "exit code $rc after Esc on the menu"
cp "$work/ombrel.cfg" "$work/new.cfg"
cmp -s "$work/old.cfg" "$work/new.cfg" && fail "the game wrote back the old configuration"
cmp -s "$work/old.orl" "$work/$level" || fail "quitting from the menu changed the level file"

# A clean finish: the end screen's key writes a best time below 9999.
restore
start_to_end_screen
key space
sleep 0.5
key Escape Escape Escape
wait_game
[ "$rc" = 0 ] || fail "exit code $rc after finishing a level and quitting"
best() { od -An -tf4 -j12 -N4 "$1" | tr -d ' '; }
awk -v t="$(best "$work/$level")" 'BEGIN { exit !(t > 0 && t < 9999) }' ||
  fail "the end screen's key stored no best time: $(best "$work/$level")"

# The configuration is exactly the old or the new one.
check_config() {
  cmp -s "$work/ombrel.cfg" "$work/old.cfg" && return 0
  cmp -s "$work/ombrel.cfg" "$work/new.cfg" && return 1
  fail "try $1: ombrel.cfg is neither the old nor the new version: $(wc -c <"$work/ombrel.cfg") bytes"
}
# The level file is the old one, or the old one with a best time in bytes 12-15.
check_level() {
  cmp -s "$work/$level" "$work/old.orl" && return 0
  [ "$(wc -c <"$work/$level")" = "$(wc -c <"$work/old.orl")" ] ||
    fail "try $1: the level file changed its size"
  cmp -s <(head -c 12 "$work/$level") <(head -c 12 "$work/old.orl") &&
    cmp -s <(tail -c +17 "$work/$level") <(tail -c +17 "$work/old.orl") ||
    fail "try $1: the level file changed outside its best time"
  awk -v t="$(best "$work/$level")" 'BEGIN { exit !(t > 0 && t < 9999) }' ||
    fail "try $1: the level file's best time is $(best "$work/$level")"
  return 1
}

old_config=0
new_config=0
old_level=0
new_level=0
tally() {
  if check_config "$1"; then old_config=$((old_config + 1)); else new_config=$((new_config + 1)); fi
  if check_level "$1"; then old_level=$((old_level + 1)); else new_level=$((new_level + 1)); fi
}

# Kills from 100 ms before the quit key to a third past the clean quit's duration.
span=$((quit_ms * 4 / 3 + 100))
for try in $(seq 1 "$tries"); do
  restore
  start_to_menu
  delay=$((RANDOM * span / 32768 - 100))
  if [ "$delay" -lt 0 ]; then
    sleep_ms $((100 + delay))
  else
    key Escape
    sleep_ms "$delay"
  fi
  kill_game
  tally "quit $try"
done
echo "$tries kills around the quit key: configuration old $old_config, new $new_config;" \
  "level file old $old_level, new $new_level"
old_config=0
new_config=0
old_level=0
new_level=0

# Kills from 100 ms before the end screen's key to 300 ms after it.
for try in $(seq 1 "$tries"); do
  restore
  start_to_end_screen
  delay=$((RANDOM * 400 / 32768 - 100))
  if [ "$delay" -lt 0 ]; then
    sleep_ms $((100 + delay))
  else
    key space
    sleep_ms "$delay"
  fi
  kill_game
  tally "end $try"
done
echo "$tries kills around the end screen's key: configuration old $old_config, new $new_config;" \
  "level file old $old_level, new $new_level"
echo "kill during writes: ok"
