#!/usr/bin/env bash
# own_display.bash COMMAND...: runs a whole-program test on an X server of its
# own, so tests that run side by side never cover each other's windows, steal
# each other's key presses or show up in each other's screenshots.
set -euo pipefail
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$dir"' EXIT
for _ in $(seq 1 200); do
  [ -s "$dir/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "FAIL: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
[ -s "$dir/display" ] || { echo "FAIL: Xvfb gave no display number" >&2; exit 1; }
export DISPLAY=":$(head -1 "$dir/display")"
"$@"
