#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only the missing ones),
# then configures and builds one build folder: setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder}
shift

missing=()
while read -r pkg; do
  [ -n "$pkg" ] || continue
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done < "$here/scripts/packages.txt"

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$here/$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$here/$build" -j "$(nproc)"
