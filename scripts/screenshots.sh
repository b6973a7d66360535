#!/usr/bin/env bash
# Makes the README's screenshots again: starts the program on a virtual
# display, walks through one analysis of examples/variable_star.xls with
# xdotool, and saves pictures of the windows to docs/images/.
# Needs: xvfb xdotool imagemagick (apt-get install -y xvfb xdotool imagemagick).
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing" >&2; exit 1; }
done
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null

display=:77
Xvfb "$display" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
export XDG_RUNTIME_DIR=$(mktemp -d)
workdir=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$workdir" "$XDG_RUNTIME_DIR"' EXIT
sleep 1

window() {  # the newest window with this exact title, once it is there
  local id=""
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "screenshots.sh: no window '$1'" >&2; exit 1; }
  xdotool windowfocus --sync "$id"
  echo "$id"
}
answer() {  # types an answer into the input box and confirms it
  window Input >/dev/null
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  sleep 0.3
}
click() {  # clicks a point of a window, in window coordinates
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.5
}

build/release/src/tesselin &
main=$(window "Tesselin Analysis")
xdotool windowmove "$main" 0 0
# Without a window manager there is no title bar, so the window is given the
# height that a title bar would add to it.
xdotool windowsize "$main" 502 454
xdotool key alt+f o
window Open >/dev/null
xdotool type --delay 10 "$PWD/examples/variable_star.xls"
xdotool key Return
sleep 0.8
main=$(window "Tesselin Analysis")
click "$main" 429 354   # Graph
import -window "$main" docs/images/main-window.png

click "$main" 429 392   # Tesselin
answer 100
answer 0
answer 40
results=$(window "Tesselin Analysis")
xdotool windowmove "$results" 0 0
sleep 0.3
import -window "$results" docs/images/results-grid.png
click "$results" 483 300   # Graph
import -window "$results" docs/images/results-chart.png

xdotool key alt+f s
window "Save As" >/dev/null
xdotool type --delay 10 "$workdir/variable_star_results.txt"
xdotool key Return
sleep 0.5
results=$(window "Tesselin Analysis")
click "$results" 483 414   # Exit
sleep 0.5
head -3 "$workdir/variable_star_results.txt"
echo "screenshots.sh: pictures written to docs/images/"
