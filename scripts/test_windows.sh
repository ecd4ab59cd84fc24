#!/usr/bin/env bash
# The Windows stage of ./test.sh, on the X server it started (DISPLAY set):
# builds both Windows programs (scripts/setup_windows.sh), checks that
# build-win32/ombrel.exe is a 32-bit console program that imports only
# Windows' own DLLs, runs the 64-bit build's tests under wine64 (as root, the
# settings file's tests once more as nobody), and starts the 64-bit game under
# wine64: menu drawn, Esc, exit code 0. The 32-bit program itself cannot run here
# (no wine32).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
began=$(date +%s)
"$here/scripts/setup_windows.sh" build
echo "Windows builds ready after $(($(date +%s) - began)) s"

status=0
fail() {
  echo "FAIL: $*"
  status=1
}

# DLLs that every Windows installation has in its system folder.
system_dlls=" advapi32.dll gdi32.dll glu32.dll kernel32.dll msvcrt.dll opengl32.dll ole32.dll \
shell32.dll user32.dll winmm.dll "
exe=$here/build-win32/ombrel.exe
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
[ -f "$here/build-win32/data/levels/tutorial/01-move.orl" ] || fail "build-win32 has no data"

# Wine in a prefix of the build's own, made once; no dialogs for the .NET and
# HTML engines it would offer to install, and no debugger waiting on a crash.
export WINEPREFIX=$here/build-win64/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# SDL for Windows has its own video driver; the host's x11 is not among them.
export SDL_VIDEODRIVER=windib
wine=/usr/lib/wine/wine64
[ -d "$WINEPREFIX" ] || "$wine" wineboot --init >/dev/null 2>&1
ctest --test-dir "$here/build-win64" --output-on-failure -j 3 || fail "tests under wine64"
# Wine lets root write a file whatever its security says, so as root the tests of the
# settings file's write run once more as nobody, in a wine prefix of nobody's.
if [ "$(id -u)" = 0 ]; then
  nobody_home=$(mktemp -d /tmp/ombrel-wine-nobody-XXXXXX)
  cp "$here/build-win64/tests/kettar_tests.exe" "$nobody_home/"
  chown -R nobody:nogroup "$nobody_home"
  as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups
    env HOME="$nobody_home" WINEPREFIX="$nobody_home/wine")
  "${as_nobody[@]}" "$wine" wineboot --init >/dev/null 2>&1 || true
  (cd "$nobody_home" && "${as_nobody[@]}" "$wine" kettar_tests.exe --gtest_filter='ConfigFileWindows.*' \
    >"$nobody_home/out.txt" 2>&1) || { fail "the settings file's tests under wine64 as nobody"; tail -n 40 "$nobody_home/out.txt"; }
  "${as_nobody[@]}" /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$nobody_home"
fi

# The game itself from a copy of its folder. Its log reaches the file only at
# exit (the Windows C library buffers it), so the window tells when it is up.
work=$(mktemp -d /tmp/ombrel-wine-XXXXXX)
cp "$here/build-win64/ombrel.exe" "$work/"
cp -r "$here/build-win64/data" "$work/"
(cd "$work" && exec "$wine" ombrel.exe >out.txt 2>err.txt) &
game=$!
win=$(timeout 60 xdotool search --sync --onlyvisible --name "Escape from Ombrel" 2>/dev/null | head -1 || true)
if [ -z "$win" ]; then
  fail "the game under wine64 opened no window"
  kill "$game" 2>/dev/null || true
else
  # The menu is drawn: a blank or failed GL window has a handful of colours.
  sleep 3
  import -window root "$work/menu.png"
  colours=$(convert "$work/menu.png" -format '%k' info:)
  [ "$colours" -gt 200 ] || fail "the menu under wine64 shows only $colours colours"
  xdotool key --window "$win" Escape
fi
rc=0
timeout 30 tail --pid="$game" -f /dev/null || { fail "the game under wine64 did not end"; kill -9 "$game"; }
wait "$game" || rc=$?
[ "$rc" = 0 ] || fail "the game under wine64 ended with $rc"
# Windows writes its text with CRLF line ends.
tr -d '\r' <"$work/out.txt" | grep -qxF "[App] quitting SDL..." ||
  fail "the game's log under wine64 has no end"
if [ $status -ne 0 ]; then tail -n 30 "$work/out.txt" "$work/err.txt"; fi
rm -rf "$work"
"/usr/lib/wine/wineserver" -k 2>/dev/null || true

echo "Windows stage: $(($(date +%s) - began)) s"
exit $status
