#!/usr/bin/env bash
# The Windows stage of ./test.sh, on the X server it started (DISPLAY set):
# builds the 32-bit Windows program and its tests (scripts/setup_windows.sh),
# checks that build-win32/ombrel.exe is a 32-bit console program that imports
# only Windows' own DLLs, runs every test of the build under wine32, which
# qemu-user emulates (scripts/wine32.sh) (as root, the settings file's tests
# once more as nobody), and starts the game the same way: menu drawn, Esc, exit
# code 0, the log's last line.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build-win32
began=$(date +%s)
"$here/scripts/setup_windows.sh" build
echo "Windows build ready after $(($(date +%s) - began)) s"

status=0
fail() {
  echo "FAIL: $*"
  status=1
}

# DLLs that every Windows installation has in its system folder.
system_dlls=" advapi32.dll gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll ole32.dll \
shell32.dll user32.dll winmm.dll "
exe=$build/ombrel.exe
kind=$(file -b "$exe")
case $kind in
  "PE32 executable (console) Intel 80386"*) echo "build-win32/ombrel.exe: $kind" ;;
  *) fail "build-win32/ombrel.exe is a $kind" ;;
esac
for dll in $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print tolower($3) }'); do
  case $system_dlls in
    *" $dll "*) ;;
    *) fail "build-win32/ombrel.exe imports $dll, which Windows does not have" ;;
  esac
done
[ -f "$build/data/levels/tutorial/01-move.orl" ] || fail "build-win32 has no data"

# One wine server for the whole stage, with wine's own processes (services,
# devices) started here once rather than by the first test program, whose
# output they would hold open until the server ends.
export OMBREL_WINE32_SYSROOT WINEPREFIX=$build/wine
OMBREL_WINE32_SYSROOT=$(sed -n 's/^OMBREL_WINE32_SYSROOT:[A-Z]*=//p' "$build/CMakeCache.txt")
wineserver=/usr/lib/wine/wineserver64
"$wineserver" -k 2>/dev/null || true
"$wineserver" -w
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$here/scripts/wine32.sh" wineboot >/dev/null 2>&1

ctest --test-dir "$build" --output-on-failure -j "$(nproc)" || fail "tests under wine32"
# Wine lets root write a file whatever its security says, so as root the tests of the
# settings file's write run once more as nobody, in a wine prefix of nobody's
# (wine32.sh beside them: the clone may lie where nobody cannot read).
if [ "$(id -u)" = 0 ]; then
  nobody_home=$(mktemp -d /tmp/ombrel-wine-nobody-XXXXXX)
  cp "$build/tests/kettar_tests.exe" "$here/scripts/wine32.sh" "$nobody_home/"
  chown -R nobody:nogroup "$nobody_home"
  as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups
    env HOME="$nobody_home" WINEPREFIX="$nobody_home/wine")
  (cd "$nobody_home" && "${as_nobody[@]}" ./wine32.sh kettar_tests.exe --gtest_filter='ConfigFileWindows.*' \
    >"$nobody_home/out.txt" 2>&1) || { fail "the settings file's tests under wine32 as nobody"; tail -n 40 "$nobody_home/out.txt"; }
  "${as_nobody[@]}" "$wineserver" -k 2>/dev/null || true
  rm -rf "$nobody_home"
fi

# The game itself from a copy of its folder. Its log reaches the file only at
# exit (the Windows C library buffers it), so the window and then the colours
# of its frames tell when the menu is up.
work=$(mktemp -d /tmp/ombrel-wine32-XXXXXX)
cp "$exe" "$work/"
cp -r "$build/data" "$work/"
(cd "$work" && exec "$here/scripts/wine32.sh" ombrel.exe >out.txt 2>err.txt) &
game=$!
win=$(timeout 120 xdotool search --sync --onlyvisible --name "Escape from Ombrel" 2>/dev/null | head -1 || true)
if [ -z "$win" ]; then
  fail "the game under wine32 opened no window"
  kill "$game" 2>/dev/null || true
else
  # The menu is drawn: a blank or failed GL window has a handful of colours.
  colours=0
  for _ in $(seq 1 60); do
    import -window root "$work/menu.png"
    colours=$(convert "$work/menu.png" -format '%k' info:)
    [ "$colours" -le 200 ] || break
    sleep 1
  done
  echo "The menu under wine32 shows $colours colours"
  [ "$colours" -gt 200 ] || fail "the menu under wine32 shows only $colours colours"
  xdotool key --window "$win" Escape
fi
rc=0
timeout 60 tail --pid="$game" -f /dev/null || { fail "the game under wine32 did not end"; kill -9 "$game"; }
wait "$game" || rc=$?
[ "$rc" = 0 ] || fail "the game under wine32 ended with $rc"
# Windows writes its text with CRLF line ends.
last=$(tr -d '\r' <"$work/out.txt" | tail -n 1)
[ "$last" = "[App] quitting SDL..." ] || fail "the game's log under wine32 ends with \"$last\""
if [ $status -ne 0 ]; then tail -n 30 "$work/out.txt" "$work/err.txt"; fi
rm -rf "$work"

echo "Windows stage: $(($(date +%s) - began)) s"
exit $status
