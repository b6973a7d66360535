#!/usr/bin/env bash
# Installs Tesselin into a scratch folder, starts the installed program on a
# virtual display and drives it as a user would: File > Open of an installed
# example, Graph, Tesselin with its three questions, File > Save and Exit.
# The saved file must equal what tesselin-cli writes for the same analysis.
# Needs: xvfb xdotool (scripts/install-deps.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/xdriver.sh

build=${1:-build/dev}
prefix=$(mktemp -d)
workdir=$(mktemp -d)
cmake --install "$build" --prefix "$prefix" >/dev/null
start_display
trap 'stop_display; rm -rf "$prefix" "$workdir"' EXIT

example="$prefix/share/tesselin/examples/variable_star.xls"
saved="$workdir/results.txt"
fail() { echo "smoke-test: $*" >&2; exit 1; }

analyse_example "$prefix/bin/tesselin" "$example"
xdotool key alt+f s
window "Save As" >/dev/null
xdotool type --delay 10 "$saved"
xdotool key Return
for _ in $(seq 50); do [ -s "$saved" ] && break; sleep 0.1; done
[ -s "$saved" ] || fail "File > Save wrote nothing"
results=$(window "Tesselin Analysis")
click "$results" $RESULTS_EXIT
for _ in $(seq 50); do kill -0 "$PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$PROGRAM_PID" 2>/dev/null; then
  kill "$PROGRAM_PID"
  fail "Exit did not end the program"
fi

"$prefix/bin/tesselin-cli" "$example" --x 0 --y 1 --bins 100 --min 0 --max 40 \
  --output "$workdir/expected.txt" 2>/dev/null
cmp "$saved" "$workdir/expected.txt" || fail "the saved file differs from tesselin-cli's"
echo "smoke-test: the installed program saved what tesselin-cli computes"
