# Soak of the sanitizer build: two identical passes over eight tutorial levels
# (start, shoot, pause, leave) whose resident memory must not grow from the
# first to the second, since the texture manager keeps what the first loaded;
# then three minutes of random keys across the menu, play, pause, the end screen
# and the options; then quit. Every exit must be 0 with no sanitizer report and
# leave an intact ombrel.cfg. Keys that would quit (Esc or Backspace on the root
# page, Enter on "quit") are steered around: the root page is told by the colour
# of its background in the window's corner, and its selection is followed. Should
# the game quit all the same (a fullscreen window or one covered by another reads
# back other colours), the exit is checked and the game started again.
source "$(dirname "$0")/game_common.bash"
if ! sanitizer_build; then
  echo "soak: runs in the sanitizer build"
  exit 77
fi
need_display

soak_seconds=${OMBREL_SOAK_SECONDS:-180}
pass_levels=8
# stdbuf preloads its library ahead of the sanitizer runtime. A small quarantine
# fills within the first pass, so that freed memory held for use-after-free
# checks does not show as growth.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:verify_asan_link_order=0:quarantine_size_mb=16"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:+$UBSAN_OPTIONS:}print_stacktrace=1:halt_on_error=1"

no_sanitizer_report() {
  if grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer' "$work/err.txt"; then
    fail "sanitizer report: $(grep -m1 -E 'ERROR|runtime error' "$work/err.txt")"
  fi
}

# Three sections in order, the 29 "  key = value" lines, the closing brace and
# the empty line that end the written form.
config_intact() {
  local cfg=$work/ombrel.cfg
  [ -f "$cfg" ] || fail "no ombrel.cfg after exit"
  [ "$(grep -cE '^  [A-Za-z]+ = [^ ]+$' "$cfg")" = 29 ] || fail "ombrel.cfg lost keys: $(cat "$cfg")"
  [ "$(grep -xE 'AppConfig|VideoConfig|AudioConfig' "$cfg" | tr '\n' ' ')" = \
    "AppConfig VideoConfig AudioConfig " ] || fail "ombrel.cfg lost sections: $(cat "$cfg")"
  [ "$(tail -c 3 "$cfg" | od -An -tx1 | tr -d ' ')" = 7d0a0a ] || fail "ombrel.cfg is cut short"
}

# An exit of the game: code 0, no report, an intact configuration.
check_exit() {
  [ "$rc" = 0 ] || fail "exit code $rc"
  no_sanitizer_report
  config_intact
}

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$game_pid/status"; }
loaded_count() { grep -c '\[Ombrel\] level loaded' "$work/out.txt" || true; }

# One pass from the tutorial page with its first level selected, back to it.
level_pass() {
  for i in $(seq 1 "$pass_levels"); do
    [ "$i" -gt 1 ] && key Down
    local before
    before=$(loaded_count)
    key Return
    for _ in $(seq 1 400); do
      [ "$(loaded_count)" -gt "$before" ] && break
      kill -0 "$game_pid" 2>/dev/null || fail "the game ended in the pass"
      sleep 0.05
    done
    [ "$(loaded_count)" -gt "$before" ] || fail "tutorial level $i did not load"
    sleep 1.5
    key x
    sleep 0.5
    key Escape
    sleep 0.3
    key Escape
    sleep 0.7
  done
  for _ in $(seq 2 "$pass_levels"); do key Up; done
  sleep 2
}

# The colour of the window's corner pixel, which the menu's backgrounds fill.
corner() {
  import -window "$win" -crop 1x1+2+2 +repage -depth 8 txt:- 2>/dev/null |
    grep -oE '#[0-9A-Fa-f]{6}' | head -1 || true
}

start_game
wait_menu 120
sleep 1
root_colour=$(corner)
[ -n "$root_colour" ] || fail "cannot read the window's pixels"
key Return
sleep 0.5
[ "$(corner)" != "$root_colour" ] || fail "the root page and SELECT CHAPTER look alike in the corner"
key Return
level_pass
first=$(rss_kb)
level_pass
second=$(rss_kb)
echo "resident memory after the first pass ${first} kB, after the second ${second} kB"
# Allocator caches and the software renderer move by a few MB either way.
[ "$second" -le $((first + first / 20 + 16384)) ] ||
  fail "memory grew by $((second - first)) kB on a second pass over the same levels"

# Keys and weights: menu moves and Enter, the hero's arrows (held), jump, shoot,
# free aim, the overlay, pause, and a little Backspace.
keys=(Up Down Return Left Right z x c Tab space Escape BackSpace)
weights=(12 12 20 14 14 6 6 2 1 3 16 3)
total=0
for w in "${weights[@]}"; do total=$((total + w)); done
pick_key() {
  local r=$((RANDOM % total)) i
  for i in "${!keys[@]}"; do
    r=$((r - weights[i]))
    if [ "$r" -lt 0 ]; then
      echo "${keys[$i]}"
      return
    fi
  done
}

restarts=0
presses=0
levels=0
steered=0
# The root page's selection: "start" (0) to "quit" (3); the passes left it on 0.
root_selection=0
deadline=$(($(date +%s) + soak_seconds))
while [ "$(date +%s)" -lt "$deadline" ]; do
  if ! kill -0 "$game_pid" 2>/dev/null; then
    wait_game 5
    check_exit
    levels=$((levels + $(loaded_count)))
    # Xvfb has no multisampled visual: an antialiasing chosen in the options
    # would stop the next start before the game could run. A fullscreen window
    # reads back black, which would hide the root page from the steering.
    sed -i -e 's/^  antialias = .*/  antialias = 0/' -e 's/^  fullScreen = .*/  fullScreen = false/' \
      "$work/ombrel.cfg"
    restarts=$((restarts + 1))
    start_game
    wait_menu 120
    wait_line "Using configuration file: $work/ombrel.cfg" 5
    root_selection=0
    continue
  fi
  k=$(pick_key)
  presses=$((presses + 1))
  on_root=""
  if [ "$(corner)" = "$root_colour" ]; then
    on_root=yes
    case $k in
      Escape | BackSpace) k=Down steered=$((steered + 1)) ;;
      Return) [ "$root_selection" = 3 ] && k=Up steered=$((steered + 1)) ;;
    esac
    case $k in
      Up) [ "$root_selection" -gt 0 ] && root_selection=$((root_selection - 1)) ;;
      Down) [ "$root_selection" -lt 3 ] && root_selection=$((root_selection + 1)) ;;
    esac
  fi
  # A key may reach a game that has just quit: that is no failure. On the root
  # page every key is one press, so that its selection is followed exactly.
  case $on_root$k in
    Left | Right | Up | Down)
      send_keys "$win" keydown "$k" 2>/dev/null || true
      sleep_ms $((50 + RANDOM % 700))
      send_keys "$win" keyup "$k" 2>/dev/null || true
      ;;
    *) send_keys "$win" key "$k" 2>/dev/null || true ;;
  esac
  sleep_ms $((150 + RANDOM % 200))
done

# Quit from wherever the keys left it: Esc pauses play, leaves the pause and the
# end screens, climbs the menu and quits on its root page.
for _ in $(seq 1 60); do
  kill -0 "$game_pid" 2>/dev/null || break
  send_keys "$win" key Escape 2>/dev/null || true
  sleep 0.5
done
wait_game 30
check_exit
levels=$((levels + $(loaded_count) - 2 * pass_levels))
echo "soak: $presses random keys in ${soak_seconds} s, $levels levels started by them," \
  "$steered quitting keys steered around, $restarts quits and new starts: ok"
