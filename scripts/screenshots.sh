#!/usr/bin/env bash
# Makes the README's screenshots again: starts the program on a virtual
# display, walks through one analysis of examples/variable_star.xls with
# xdotool, and saves pictures of the windows to docs/images/.
# Needs: xvfb xdotool imagemagick (apt-get install -y xvfb xdotool imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/xdriver.sh

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing" >&2; exit 1; }
done
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
start_display
workdir=$(mktemp -d)
trap 'stop_display; rm -rf "$workdir"' EXIT

snapshot() { import -window "$2" "docs/images/$1.png"; }
analyse_example build/release/src/tesselin "$PWD/examples/variable_star.xls"
click "$RESULTS_WINDOW" $RESULTS_EXIT
echo "screenshots.sh: pictures written to docs/images/"
