#!/usr/bin/env bash
# Installs what is missing, builds the game and its data, and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh build -DOMBREL_SANITIZE=OFF -DOMBREL_TESTS=OFF -DOMBREL_BENCH=OFF
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: set DISPLAY to an X server to play (build/ombrel is built)." >&2
  exit 1
fi
exec build/ombrel
