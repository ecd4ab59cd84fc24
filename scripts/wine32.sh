#!/usr/bin/env bash
# Runs a 32-bit Windows program under wine32, which qemu-user emulates:
#   wine32.sh PROGRAM.exe [ARGS...]
# with the sysroot scripts/setup_wine32.sh made (OMBREL_WINE32_SYSROOT, by
# default the one it makes in /var/cache/ombrel/wine32/, ~/.cache/ombrel/wine32/
# without root), in the 32-bit wine prefix WINEPREFIX (~/.wine32 by default;
# wine makes it at the first start).
set -euo pipefail
if [ -z "${OMBREL_WINE32_SYSROOT:-}" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    OMBREL_WINE32_SYSROOT=/var/cache/ombrel/wine32/sysroot
  else
    OMBREL_WINE32_SYSROOT=${XDG_CACHE_HOME:-$HOME/.cache}/ombrel/wine32/sysroot
  fi
fi
loader=$OMBREL_WINE32_SYSROOT/usr/lib/wine/wine-qemu
[ -x "$loader" ] || { echo "wine32.sh: no wine32 in $OMBREL_WINE32_SYSROOT: run scripts/setup_wine32.sh" >&2; exit 1; }
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine32} WINEARCH=win32
# Wine's own messages only when asked for; no offer to install its .NET and
# HTML engines, and no debugger waiting on a crash.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
# SDL for Windows has its own video driver; the host's (x11) is not among them.
export SDL_VIDEODRIVER=windib
exec "$loader" "$@"
