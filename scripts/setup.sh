#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only the missing ones),
# then configures and builds one build folder: setup.sh BUILD_DIR [cmake options...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build folder}
shift

"$here/scripts/install_packages.sh" "$here/scripts/packages.txt"

cmake -S "$here" -B "$here/$build" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$here/$build" -j "$(nproc)"
