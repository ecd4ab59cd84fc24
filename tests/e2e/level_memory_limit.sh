# A level whose records the game reads but whose bodies the memory cannot hold,
# under an address-space limit: the game refuses it with its line and stays on
# the menu, a shipped level then loads under the same limit, and Esc quits with
# exit code 0.
#
# The numbers, measured on an 8-core machine: the game maps about 1.8 GB at the
# menu (Mesa's software GL and its threads) and keeps under 1.9 GB in a shipped
# level. The first tutorial level is replaced by one of 20 million vertices,
# whose records take about 1.8 GB while they are read (35 bytes a vertex in the
# block, 56 once read) and whose body would take about 6 GB more (300 bytes a
# vertex). Under 5 GiB the records fit with 1.4 GB to spare and the body is
# refused once it has taken what is left.
source "$(dirname "$0")/game_common.bash"
# The sanitizer's runtime reserves terabytes of address space at start.
if sanitizer_build; then
  echo "memory limit test: runs in the release build"
  exit 77
fi
need_display

limit=$((5 * 1024 * 1024 * 1024))
vertices=20000000
"$build/tests/e2e/make_huge_level" "$work/data/levels/tutorial/01-move.orl" "$vertices" ||
  fail "cannot make the level of $vertices vertices"

start_game prlimit --as="$limit"
wait_menu 120
# Start, SELECT CHAPTER, Tutorial, its first level.
key --delay 500 Return Return Return
wait_line "!![Ombrel] cannot find level file" 120
alive || fail "the game ended after the refused level"
if grep -qF "[Ombrel] level loaded" "$work/out.txt"; then fail "the refused level was loaded"; fi

# The menu stayed on the tutorial's page: its second level, under the same limit.
key Down
sleep 0.5
key Return
wait_line "[Ombrel] level loaded" 60

# Esc pauses, Esc leaves the level; then the tutorial page, SELECT CHAPTER and the root.
key --delay 500 Escape Escape Escape Escape Escape
wait_game 30
[ "$rc" = 0 ] || fail "exit code $rc"
grep -qxF "[App] quitting SDL..." "$work/out.txt" || fail "no orderly end"
echo "refused under $limit bytes, then a shipped level loaded; exit 0"
