# Window sizes: a windowed size as wide as the widest mode opens 5 pixels narrower and
# lower, a resize by the window system reaches the settings, and so does a switch to
# fullscreen; each is what the settings file receives at exit.
source "$(dirname "$0")/demo_common.bash"
need_display

read -r screen_w screen_h < <(xdotool getdisplaygeometry)
write_config "s/width = 800/width = $screen_w/; s/height = 600/height = $screen_h/"
start_demo
wait_ready
expect_line "Using configuration file: $work/demo.cfg"
expect_line "[App] requesting dualThread: false..."
expect_line "[Engine] screen: $((screen_w - 5))x$((screen_h - 5))"
geometry=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
[ "$geometry" = "$((screen_w - 5))x$((screen_h - 5))" ] || fail "window is $geometry"
key Escape
wait_demo
expect_rc 0
expect_config "s/width = 800/width = $((screen_w - 5))/; s/height = 600/height = $((screen_h - 5))/"

rm "$work/demo.cfg"
start_demo
wait_ready
xdotool windowsize "$win" 700 500
for _ in $(seq 1 100); do
  [ "$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')" = "700x500" ] && break
  sleep 0.05
done
sleep 0.5
key Escape
wait_demo
expect_rc 0
expect_config 's/width = 800/width = 700/; s/height = 600/height = 500/'
rm "$work/demo.cfg"
start_demo
wait_ready
key f
wait_line "[Demo] fullscreen: true"
expect_no_line "!![Engine] error: required full screen video mode is not available"
key Escape
wait_demo
expect_rc 0
expect_config 's/fullScreen = false/fullScreen = true/'
echo "demo window size: ok"
