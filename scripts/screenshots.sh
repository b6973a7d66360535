#!/usr/bin/env bash
# Makes the README's screenshots again: starts the program on a virtual
# display, walks through one analysis of examples/variable_star.xls with
# xdotool, then one of a CSV file with column names and ISO dates, and saves
# pictures of the windows to docs/images/.
# Needs: xvfb xdotool imagemagick (apt-get install -y xvfb xdotool imagemagick).
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: builds the release preset)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/xdriver.sh

for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing" >&2; exit 1; }
done
build=${1:-}
if [ -z "$build" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release >/dev/null
  build=build/release
fi
program="$build/src/tesselin"
[ -x "$program" ] || { echo "screenshots.sh: no $program" >&2; exit 1; }
start_display
workdir=$(mktemp -d)
trap 'stop_display; rm -rf "$workdir"' EXIT
# Settings of this run only (the folders the file dialogs remember).
export XDG_CONFIG_HOME="$workdir/config"

snapshot() { import -window "$2" "docs/images/$1.png"; }
analyse_example "$program" "$PWD/examples/variable_star.xls"
# Analysis > RMS Difference, Logarithmic bins and Error bars, then Restart
# with 12 bins from half a day to the whole length, and Graph. (A Restart
# from the chart leaves Spreadsheet in Graph's place.)
for item in r l e; do
  xdotool key alt+a "$item"
  sleep 0.3
done
click "$RESULTS_WINDOW" $RESULTS_RESTART
answer 12
answer 0.5
window Input >/dev/null
xdotool key Return
sleep 2
click "$RESULTS_WINDOW" $RESULTS_GRAPH
click "$RESULTS_WINDOW" $RESULTS_GRAPH
snapshot results-log-errorbars "$RESULTS_WINDOW"
click "$RESULTS_WINDOW" $RESULTS_EXIT

# A year of nightly observations of a star of period 7.3 days, as a CSV file
# with a header line and ISO 8601 times.
csv="$workdir/star.csv"
awk 'BEGIN {
  print "time,mag,filter"
  srand(7)
  start = 19783                    # 2024-03-01, in days since 1970-01-01
  for (night = 0; night < 300; night++) {
    t = start + night * 1.19 + 0.8 + rand() * 0.15
    mag = 11.2 + 0.45 * sin(2 * 3.14159265 * t / 7.3) + (rand() - 0.5) * 0.06
    # The civil date of day number d (days since 1970-01-01).
    d = int(t); z = d + 719468; era = int(z / 146097); doe = z - era * 146097
    yoe = int((doe - int(doe / 1460) + int(doe / 36524) - int(doe / 146096)) / 365)
    doy = doe - (365 * yoe + int(yoe / 4) - int(yoe / 100)); mp = int((5 * doy + 2) / 153)
    day = doy - int((153 * mp + 2) / 5) + 1; month = mp < 10 ? mp + 3 : mp - 9
    year = yoe + era * 400 + (month <= 2 ? 1 : 0)
    s = int((t - d) * 86400)
    printf "%04d-%02d-%02dT%02d:%02d:%02dZ,%.3f,V\n", year, month, day,
           int(s / 3600), int(s % 3600 / 60), s % 60, mag
  }
}' > "$csv"

# File > Open with the file type "All data files" (the last in the list).
"$program" &
PROGRAM_PID=$!
main=$(window "Tesselin Analysis")
xdotool windowmove "$main" 0 0 windowsize "$main" $MAIN_WIDTH $MAIN_HEIGHT
xdotool key alt+f o
window Open >/dev/null
xdotool key Tab End shift+Tab
xdotool type --delay 10 "$csv"
xdotool key Return
sleep 1
main=$(window "Tesselin Analysis")
results=$(run_analysis "$main")
snapshot results-csv "$results"
click "$results" $RESULTS_EXIT
echo "screenshots.sh: pictures written to docs/images/"
