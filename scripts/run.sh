#!/usr/bin/env bash
# Installs what is needed, builds the release program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${TESSELIN_SKIP_INSTALL:-0}" != 1 ]; then
  scripts/install-deps.sh
fi
cmake --preset release
cmake --build --preset release
exec build/release/src/tesselin "$@"
