#!/usr/bin/env bash
# Completes the wine32 sysroot that scripts/setup_wine32.sh makes, in the
# unpacked tree: wine32_finish.sh TREE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=${1:?unpacked sysroot}

# libwine's maintainer script, which unpacking skips, makes zlib1.dll from
# libz-mingw-w64's as a wine builtin DLL; without it kernel32.dll cannot load.
in=$tree/usr/i686-w64-mingw32/lib/zlib1.dll
out=$tree/usr/lib/i386-linux-gnu/wine/i386-windows/zlib1.dll
{
  head -c 64 "$in"
  printf 'Wine builtin DLL'
  head -c 16 /dev/zero
  tail -c +97 "$in"
} >"$out"

# The mends for qemu-user, preloaded into every i386 process (the dynamic
# loader reads /etc/ld.so.preload, which qemu finds in the sysroot).
mkdir -p "$tree/usr/lib/ombrel"
i686-linux-gnu-gcc -std=gnu11 -O2 -Wall -Wextra -shared -fPIC \
  -o "$tree/usr/lib/ombrel/qemu_i386_mends.so" "$here/qemu_i386_mends.c" -ldl
echo /usr/lib/ombrel/qemu_i386_mends.so >"$tree/etc/ld.so.preload"

# wine starts each new process by running its loader again, under the name
# it was itself started as (argv[0]) from its own folder. That name is this
# script's: it runs the loader under qemu, so every process wine starts is
# emulated with the sysroot's libraries, whether or not the kernel runs i386
# code itself (Debian's wine has no preloader to start first). The server is
# the host's 64-bit wineserver of the same version, which the sysroot's
# wineserver script picks.
cat >"$tree/usr/lib/wine/wine-qemu" <<'SCRIPT'
#!/bin/sh
# wine-qemu PROGRAM ARGS...: wine's i386 loader under qemu, as a coreduo
# processor like the 32-bit Linux build (on qemu's default model Mesa's
# software renderer samples textures wrongly). The loader would start itself
# again once (for a preloader there is none of): it is told not to.
dir=$(dirname "$0")
export WINELOADERNOEXEC=1
exec /usr/bin/qemu-i386-static -cpu coreduo -L "${dir%/usr/lib/wine}" -0 "$0" "$dir/wine" "$@"
SCRIPT
chmod +x "$tree/usr/lib/wine/wine-qemu"
