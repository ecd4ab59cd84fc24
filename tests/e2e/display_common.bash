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

# send_keys WINDOW key|keydown|keyup ARGS...: keys for the window, sent as the
# X server's own input (XTEST) once the window has the focus. Keys sent to a
# window directly (--window) are synthetic events that all carry the time 0, and
# SDL takes a release followed at once by a press of the same key for the key's
# own repeat and drops both: a program slow to take its events lost keys.
send_keys() {
  local window=$1
  shift
  timeout 5 xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
  xdotool "$@"
}
