# The framework demo from start to Esc: banner, capability report, keys delivered
# (also those typed in the first second of the loop, while mouse events are still
# held back), a window that shows its shapes and text, the ordered shut-down, exit 0 and
# the settings file written back.
source "$(dirname "$0")/demo_common.bash"
need_display

start_demo
wait_ready
# Typed at once, while mouse events are still held back: every key must come through.
key --delay 20 a b c d e g h i j k
for code in 97 98 99 100 101 103 104 105 106 107; do wait_line "[Demo] key $code down"; done
[ "$(grep -c '^\[Demo\] key ' "$work/out.txt")" = 10 ] || fail "key presses were lost or doubled"

# Give the first rate tick time to replace the configured rates, then take the picture.
# Other tests' windows share the display and may cover this one: raise it and try again.
sleep 1.5
picture_ok() {
  xdotool windowraise "$win"
  sleep 0.3
  import -window "$win" "$work/shot.png"
  colours=$(convert "$work/shot.png" -format '%k' info:)
  # The square is yellow, the text white; the background is neither.
  yellow=$(convert "$work/shot.png" -fx 'r>0.9 && g>0.7 && b<0.3 ? 1 : 0' -format '%[fx:mean]' info:)
  text=$(convert "$work/shot.png" -crop 240x40+0+0 +repage -fx 'r>0.8 && g>0.8 && b>0.8 ? 1 : 0' \
    -format '%[fx:mean]' info:)
  [ "$colours" -gt 100 ] && awk "BEGIN { exit !($yellow > 0.02 && $text > 0.01) }"
}
shown=""
for _ in $(seq 1 10); do
  if picture_ok; then
    shown=yes
    break
  fi
done
[ -n "$shown" ] || fail "the window shows $colours colours, $yellow yellow (square), $text white (overlay)"

key Escape
wait_demo
expect_rc 0

expect_banner
expect_line "!![App] cannot open $work/demo.cfg"
expect_no_line "[App] requesting"
expect_line "[App] No config values will be forced"
expect_match '\[Engine\] timer resolution \(nanoseconds\): [0-9]+'
expect_line "[Engine] dualThread: false"
expect_line "[Engine] fps: 60"
expect_line "[Engine] logTo: console"
expect_line "[Engine] screen: 800x600"
expect_line "[Engine] min allowed video size: 320x200"
expect_line "[OpenGL] antialias: 0"
expect_line "[OpenGL] multisamples buffer: OFF"
expect_line "[OpenGL] anisotropic: 1"
expect_match '\[OpenGL\] version [1-4]\.[0-9] available'
expect_line "[OpenGL] double buffer: ON"
expect_match '\[OpenGL\] max texture size: [0-9]+'
expect_tail "$work/out.txt" <<'LOG'
[Demo] Esc: quitting

[App] closing app...
[Mixer] SDL mixer quit
[Engine] shutting down Engine...
[App] quitting SDL...
[Demo] settings saved
LOG
expect_config ""
echo "demo normal end: ok"
