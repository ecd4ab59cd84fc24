# The log target: with logTo "file" the console gets the banner and the line naming the
# settings file, and logfile.txt beside the program everything after (it is truncated
# at start); with "none" nothing after that line reaches anyone.
source "$(dirname "$0")/demo_common.bash"
need_display

echo "a line from an earlier run" >"$work/logfile.txt"
write_config 's/logTo = console/logTo = file/'
start_demo
wait_ready "$work/logfile.txt"
key Escape
wait_demo
expect_rc 0
expect_banner
[ "$(sed -n 4p "$work/out.txt")" = "Using configuration file: $work/demo.cfg" ] || fail "line 4 of the console"
[ "$(wc -l <"$work/out.txt")" = 4 ] || fail "the console got more than the banner and the file line"
[ "$(head -n 1 "$work/logfile.txt")" = "[App] requesting dualThread: false..." ] || fail "logfile.txt starts wrong"
grep -qF "earlier run" "$work/logfile.txt" && fail "logfile.txt was not truncated"
grep -qxF "[OpenGL] double buffer: ON" "$work/logfile.txt" || fail "no report in logfile.txt"
expect_tail "$work/logfile.txt" <<'LOG'
[App] closing app...
[Mixer] SDL mixer quit
[Engine] shutting down Engine...
[App] quitting SDL...
[Demo] settings saved
LOG
expect_config 's/logTo = console/logTo = file/'

rm "$work/logfile.txt"
write_config 's/logTo = console/logTo = none/'
start_demo
# Nothing is logged: give start-up time, then look the window up.
find_window
sleep 1.5
find_window
key Escape
wait_demo
expect_rc 0
[ "$(wc -l <"$work/out.txt")" = 4 ] || fail "logTo none: the console got more than four lines"
[ ! -f "$work/logfile.txt" ] || fail "logTo none made a log file"
expect_config 's/logTo = console/logTo = none/'
echo "demo log target: ok"
