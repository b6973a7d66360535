#!/usr/bin/env bash
# Installs what is needed, builds and runs every test with ctest.
#   scripts/test.sh          the dev build (optimised, with debug info)
#   scripts/test.sh asan     the same tests under the address and UB sanitizers
# Set TESSELIN_WERROR=ON to turn compiler warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-dev}
if [ "${TESSELIN_SKIP_INSTALL:-0}" != 1 ]; then
  scripts/install-deps.sh
fi
cmake --preset "$preset" -DTESSELIN_WERROR="${TESSELIN_WERROR:-OFF}"
cmake --build --preset "$preset"
ctest --preset "$preset"
