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

build/release/src/tesselin &
main=$(window "Tesselin Analysis")
xdotool windowmove "$main" 0 0 windowsize "$main" $MAIN_WIDTH $MAIN_HEIGHT
open_file "$PWD/examples/variable_star.xls"
main=$(window "Tesselin Analysis")
click "$main" $MAIN_GRAPH
import -window "$main" docs/images/main-window.png

click "$main" $MAIN_TESSELIN
answer 100
answer 0
answer 40
results=$(window "Tesselin Analysis")
xdotool windowmove "$results" 0 0
sleep 0.3
import -window "$results" docs/images/results-grid.png
click "$results" $RESULTS_GRAPH
import -window "$results" docs/images/results-chart.png
click "$results" $RESULTS_EXIT
echo "screenshots.sh: pictures written to docs/images/"
