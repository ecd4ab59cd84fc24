# Shared by the whole-program test libraries (sourced): waits for the X server
# and holds one connection to it for the whole test, so that a server that
# resets when its last client leaves never refuses the program's connection.
# The library's cleanup kills keeper_pid.

keeper_pid=""

need_display() {
  [ -n "${DISPLAY:-}" ] || fail "no X display: run under Xvfb (./test.sh starts one)"
  for _ in $(seq 1 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdotool search --sync --name "e2e-keeper-$$-never" >/dev/null 2>&1 &
  keeper_pid=$!
}
