#!/usr/bin/env bash
# Installs the Debian packages that the named lists hold (one a line), only the
# missing ones: install_packages.sh LIST...
set -euo pipefail

missing=()
while read -r pkg; do
  [ -n "$pkg" ] || continue
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done < <(cat "$@")

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  # Another set-up may hold apt's lock for a while: wait for it.
  $sudo apt-get -o DPkg::Lock::Timeout=600 update -q
  $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
fi
