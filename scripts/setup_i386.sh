#!/usr/bin/env bash
# The 32-bit Linux build: setup_i386.sh BUILD_DIR HOST_BUILD_DIR [cmake options...]
# Installs the cross compiler and qemu (scripts/packages_i386.txt), makes a private
# sysroot of Debian's i386 packages (scripts/sysroot_i386.txt and what they depend on),
# registers qemu-i386 with binfmt_misc so that i386 programs run, then configures and
# builds BUILD_DIR with cmake/toolchain-i386.cmake. Its data is made by the data builder
# of HOST_BUILD_DIR, a configured build of this machine.
#
# The host's own packages stay as they are: i386 -dev packages cannot be installed
# beside the amd64 ones. The sysroot lives outside the clone, keyed by this script and
# the package versions, so that a second run finds it ready.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder}
host_build=${2:?host build folder}
shift 2

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ "$(id -u)" -eq 0 ]; then
  cache=/var/cache/ombrel/i386
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/ombrel/i386
fi

"$here/scripts/install_packages.sh" "$here/scripts/packages_i386.txt"

have_i386_lists() {
  compgen -G "/var/lib/apt/lists/*_binary-i386_Packages*" >/dev/null
}
if ! dpkg --print-foreign-architectures | grep -qx i386 || ! have_i386_lists; then
  $sudo dpkg --add-architecture i386
  $sudo apt-get update -q
fi

# What an i386 system without any package would install: apt resolves against an
# empty status file, with i386 as the native architecture.
apt_i386=(-o APT::Architecture=i386 -o APT::Architectures::=i386 -o Debug::NoLocking=1)
resolve() {
  local status
  status=$(mktemp)
  # shellcheck disable=SC2046
  apt-get -s -q "${apt_i386[@]}" -o Dir::State::status="$status" install --no-install-recommends \
      $(grep -v '^#' "$here/scripts/sysroot_i386.txt") |
    sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) [^[]*\[\([a-z0-9]*\)\]).*$/\1 \2 \3/p' | sort
  rm -f "$status"
}
packages=$(resolve)
[ -n "$packages" ] || { echo "setup_i386.sh: apt resolved no i386 packages" >&2; exit 1; }

key=$( { cat "$0" "$here/scripts/sysroot_i386.txt"; echo "$packages"; } | sha256sum | cut -c1-16)
sysroot=$cache/sysroot
if [ "$(readlink "$sysroot" 2>/dev/null || true)" != "sysroot-$key" ] || [ ! -e "$sysroot/.complete" ]; then
  echo "Making the i386 sysroot ($(echo "$packages" | wc -l) packages) in $cache/sysroot-$key"
  mkdir -p "$cache/debs"
  deb_name() { echo "${1}_${2//:/%3a}_${3}.deb"; }
  fetch=()
  while read -r name version arch; do
    [ -e "$cache/debs/$(deb_name "$name" "$version" "$arch")" ] || fetch+=("$name:$arch=$version")
  done <<< "$packages"
  download() { (cd "$cache/debs" && apt-get download -q "${fetch[@]}"); }
  if [ ${#fetch[@]} -gt 0 ] && ! download; then
    # The lists may name versions the archive has replaced since.
    $sudo apt-get update -q
    download
  fi

  tmp=$cache/sysroot-$key.tmp
  rm -rf "$tmp"
  mkdir -p "$tmp"
  while read -r name version arch; do
    echo "$cache/debs/$(deb_name "$name" "$version" "$arch")"
  done <<< "$packages" | xargs -P "$(nproc)" -I{} dpkg-deb -x {} "$tmp"

  # The packages still install into /lib and /bin; Debian systems merge those into /usr.
  for dir in bin sbin lib; do
    if [ -d "$tmp/$dir" ] && [ ! -L "$tmp/$dir" ]; then
      mkdir -p "$tmp/usr/$dir"
      cp -a "$tmp/$dir/." "$tmp/usr/$dir/"
      rm -rf "${tmp:?}/$dir"
    fi
    ln -s "usr/$dir" "$tmp/$dir"
  done
  # Absolute links point into the host; inside the sysroot they become relative.
  find "$tmp" -type l -lname '/*' -print0 | while IFS= read -r -d '' link; do
    ln -sfr "$tmp$(readlink "$link")" "$link"
  done
  echo /usr/lib/i386-linux-gnu > "$tmp/etc/ld.so.conf"
  mkdir -p "$tmp/var/cache/ldconfig"
  ldconfig -r "$tmp"
  touch "$tmp/.complete"

  find "$cache" -maxdepth 1 -name 'sysroot-*' ! -name "sysroot-$key.tmp" -exec rm -rf {} +
  mv "$tmp" "$cache/sysroot-$key"
  ln -sfn "sysroot-$key" "$sysroot"
  # Only the packages of this sysroot are kept.
  keep=$(while read -r name version arch; do deb_name "$name" "$version" "$arch"; done <<< "$packages")
  for deb in "$cache/debs"/*.deb; do
    grep -qxF "$(basename "$deb")" <<< "$keep" || rm -f "$deb"
  done
fi

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
