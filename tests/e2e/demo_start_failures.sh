# The three ends before the main loop: SDL cannot start (exit 0, one line), the
# engine cannot open its window (a multisample count no visual offers: exit 1), and
# the program's init refuses (exit 2, no "closing app" line).
source "$(dirname "$0")/demo_common.bash"
need_display

run_demo SDL_VIDEODRIVER=nosuchdriver
expect_rc 0
[ "$(wc -l <"$work/out.txt")" = 1 ] || fail "SDL failure: more than the one line"
expect_match '!!\[App\] fatal error: could not initialize SDL: .+'
[ ! -f "$work/demo.cfg" ] || fail "SDL failure: the settings were written"

write_config 's/antialias = 0/antialias = 64/'
run_demo
expect_rc 1
expect_line "Using configuration file: $work/demo.cfg"
expect_line "[App] requesting fullscreen: false..."
expect_match '!!\[Engine\] fatal error: could not set video mode 800x600: .+'
expect_tail "$work/out.txt" <<<"[Engine] shutting down Engine..."
expect_no_line "[App] quitting SDL..."
expect_config 's/antialias = 0/antialias = 64/'

rm "$work/demo.cfg"
run_demo KETTAR_DEMO_INIT=fail
expect_rc 2
expect_banner
expect_match '\[OpenGL\] version [1-4]\.[0-9] available'
expect_no_line "[App] closing app..."
expect_tail "$work/out.txt" <<'LOG'
!![Demo] init refused
[Mixer] SDL mixer quit
[Engine] shutting down Engine...

[App] quitting SDL...
[Demo] settings saved
LOG
expect_config ""
echo "demo start failures: ok"
