#!/usr/bin/env bash
# Installs the Debian packages of a list, one a line, that are not installed yet:
# install_packages.sh LIST
set -euo pipefail
list=${1:?package list}

missing=()
while read -r pkg; do
  [ -n "$pkg" ] || continue
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done < "$list"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
