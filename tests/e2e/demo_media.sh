# The framework demo with media beside it: both textures drawn in their own colours,
# a placed sound, two music tracks following each other through the user event, particle
# bursts, and the mixer shut down with the subsystems.
source "$(dirname "$0")/demo_common.bash"
need_display
"$build/tests/e2e/make_demo_media" "$work" || fail "cannot make the demo's media"

start_demo
wait_ready
wait_line "StartMusic: 0"
wait_line "StartMusic: 1"
# Other tests' windows share the display and may cover this one: raise it and try again.
share() { convert "$work/shot.png" -fx "$1 ? 1 : 0" -format '%[fx:mean]' info:; }
shoot() {
  xdotool windowraise "$win"
  sleep 0.3
  import -window "$win" "$work/shot.png"
}
textures_shown() {
  shoot
  magenta=$(share 'r>0.9 && g<0.1 && b>0.9')
  cyan=$(share 'r<0.1 && g>0.9 && b>0.9')
  awk "BEGIN { exit !($magenta > 0.005 && $cyan > 0.005) }"
}
burst_shown() {
  key p
  sleep 0.2
  shoot
  fire=$(share 'r>0.85 && g>0.2 && g<0.75 && b<0.15')
  awk "BEGIN { exit !($fire > 0.0005) }"
}
retry() { for _ in $(seq 1 10); do "$1" && return 0; done; return 1; }
retry textures_shown || fail "textures not drawn: $magenta magenta (own texture file), $cyan cyan (PNG)"
retry burst_shown || fail "no particles in the picture ($fire)"
wait_line "[Demo] key 112 down"

key Escape
wait_demo
expect_rc 0

expect_line "[Mixer] SDL mixer init"
expect_line "[TexMan] loaded texture: $work/data/textures/demo.ktr"
expect_line "[TexMan] loaded texture: $work/data/textures/demo.png"
expect_line "[Mixer] $work/data/audio/sounds/demo.wav loaded"
expect_line "[Mixer] $work/data/audio/music/demo-01.ogg loaded"
expect_line "[Mixer] $work/data/audio/music/demo-02.ogg loaded"
expect_match '\[Demo\] sound playing on channel [0-9]+'
expect_line "[Demo] track finished"
starts=$(grep '^StartMusic: ' "$work/out.txt" | head -n 3 | tr '\n' ' ')
[ "$starts" = "StartMusic: 0 StartMusic: 1 StartMusic: 0 " ] || fail "tracks started in the order: $starts"
expect_no_line "!![TexMan]"
expect_no_line "!![Mixer]"
expect_line "[Mixer] SDL mixer quit"
echo "demo media: ok"
