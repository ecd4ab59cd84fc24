#!/usr/bin/env bash
# The 32-bit Linux build: setup_i386.sh BUILD_DIR HOST_BUILD_DIR [cmake options...]
# Installs the cross compiler and qemu (scripts/packages_i386.txt), makes a private
# sysroot of Debian's i386 packages (scripts/sysroot_i386.txt and what they depend on,
# by scripts/i386_sysroot.sh, in /var/cache/ombrel/i386/), registers qemu-i386 with
# binfmt_misc so that i386 programs run, then configures and builds BUILD_DIR with
# cmake/toolchain-i386.cmake. Its data is made by the data builder of HOST_BUILD_DIR,
# a configured build of this machine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder}
host_build=${2:?host build folder}
shift 2

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

"$here/scripts/install_packages.sh" "$here/scripts/packages_i386.txt"
sysroot=$("$here/scripts/i386_sysroot.sh" i386 "$here/scripts/sysroot_i386.txt")

# i386 programs run under qemu; QEMU_LD_PREFIX (or qemu's -L) points it at the sysroot.
binfmt=/proc/sys/fs/binfmt_misc
[ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt"
if [ ! -e "$binfmt/qemu-i386" ]; then
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $sudo tee "$binfmt/register" >/dev/null
fi

# The host's data builder makes the i386 build's data.
cmake --build "$here/$host_build" --target databuilder -j "$(nproc)"
export QEMU_LD_PREFIX=$sysroot
cmake -S "$here" -B "$here/$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-i386.cmake" -DOMBREL_I386_SYSROOT="$sysroot" \
  -DOMBREL_HOST_DATABUILDER="$here/$host_build/tools/databuilder/databuilder" "$@" >/dev/null
cmake --build "$here/$build" -j "$(nproc)"
