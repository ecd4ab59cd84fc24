#!/usr/bin/env bash
# wine32 for the 32-bit Windows build, run under qemu-user: makes (once) a
# sysroot of Debian's wine32 and its i386 libraries (scripts/sysroot_wine32.txt)
# completed by scripts/wine32_finish.sh, in /var/cache/ombrel/wine32/
# (~/.cache/ombrel/wine32/ without root), and prints its path. scripts/wine32.sh
# runs a program with it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
"$here/install_packages.sh" "$here/packages_i386.txt" "$here/packages_windows.txt" >&2
exec "$here/i386_sysroot.sh" wine32 "$here/sysroot_wine32.txt" "$here/wine32_finish.sh" "$here/qemu_i386_mends.c"
