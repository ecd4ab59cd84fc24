#!/usr/bin/env bash
# A private sysroot of Debian's i386 packages:
#   i386_sysroot.sh NAME LIST [FINISH [FILE...]]
# makes CACHE/NAME/sysroot-KEY from the packages LIST names (one a line, # for
# comments) and what they depend on, and prints its path; CACHE/NAME/sysroot
# links to the one made or used last. FINISH, when given, is run with the
# unpacked tree as its argument before the sysroot is marked complete; FILE...
# are what it reads. CACHE is /var/cache/ombrel (~/.cache/ombrel without root).
# KEY changes with this script, LIST, FINISH, a FILE or a package version, and
# only then is a sysroot made again; the host's own packages stay as they are
# (i386 -dev packages cannot be installed beside the amd64 ones). Standard
# output carries only the path; apt talks on stderr.
set -euo pipefail
name=${1:?sysroot name}
list=${2:?package list}
shift 2
key_files=("$0" "$list" "$@")
finish=${1:-}

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ "$(id -u)" -eq 0 ]; then
  cache=/var/cache/ombrel/$name
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/ombrel/$name
fi

have_i386_lists() {
  compgen -G "/var/lib/apt/lists/*_binary-i386_Packages*" >/dev/null
}
if ! dpkg --print-foreign-architectures | grep -qx i386 || ! have_i386_lists; then
  $sudo dpkg --add-architecture i386
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -q >&2
fi

# What an i386 system without any package would install: apt resolves against an
# empty status file, with i386 as the native architecture.
apt_i386=(-o APT::Architecture=i386 -o APT::Architectures::=i386 -o Debug::NoLocking=1)
resolve() {
  local status
  status=$(mktemp)
  # shellcheck disable=SC2046
  apt-get -s -q "${apt_i386[@]}" -o Dir::State::status="$status" install --no-install-recommends \
      $(grep -v '^#' "$list") |
    sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) [^[]*\[\([a-z0-9]*\)\]).*$/\1 \2 \3/p' | sort
  rm -f "$status"
}
packages=$(resolve)
[ -n "$packages" ] || { echo "i386_sysroot.sh: apt resolved no i386 packages from $list" >&2; exit 1; }

key=$( { cat "${key_files[@]}"; echo "$packages"; } | sha256sum | cut -c1-16)
sysroot=$cache/sysroot-$key
if [ ! -e "$sysroot/.complete" ]; then
  echo "Making the $name sysroot ($(echo "$packages" | wc -l) packages) in $cache/sysroot-$key" >&2
  mkdir -p "$cache/debs"
  deb_name() { echo "${1}_${2//:/%3a}_${3}.deb"; }
  fetch=()
  while read -r package version arch; do
    [ -e "$cache/debs/$(deb_name "$package" "$version" "$arch")" ] || fetch+=("$package:$arch=$version")
  done <<< "$packages"
  download() { (cd "$cache/debs" && apt-get download -q "${fetch[@]}" >&2); }
  if [ ${#fetch[@]} -gt 0 ] && ! download; then
    # The lists may name versions the archive has replaced since.
    $sudo apt-get -o DPkg::Lock::Timeout=600 update -q >&2
    download
  fi

  tmp=$cache/sysroot-$key.tmp
  rm -rf "$tmp"
  mkdir -p "$tmp"
  while read -r package version arch; do
    echo "$cache/debs/$(deb_name "$package" "$version" "$arch")"
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
  [ -z "$finish" ] || "$finish" "$tmp" >&2
  touch "$tmp/.complete"

  rm -rf "$sysroot"
  mv "$tmp" "$sysroot"
  # Only the packages of this sysroot are kept.
  keep=$(while read -r package version arch; do deb_name "$package" "$version" "$arch"; done <<< "$packages")
  for deb in "$cache/debs"/*.deb; do
    grep -qxF "$(basename "$deb")" <<< "$keep" || rm -f "$deb"
  done
fi
touch "$sysroot/.used"
ln -sfn "sysroot-$key" "$cache/sysroot"
# Sysroots under other keys may serve another clone on this machine whose
# scripts are older or newer: each goes once no run has used or made it for a week.
for other in "$cache"/sysroot-*; do
  [ "$other" != "$sysroot" ] || continue
  [ -n "$(find "$other" -maxdepth 1 \( -path "$other" -o -name .used \) -mtime -7)" ] || rm -rf "$other"
done
echo "$sysroot"
