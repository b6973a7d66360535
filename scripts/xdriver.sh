# Helpers for driving Tesselin on a virtual display with xdotool; sourced by
# screenshots.sh and smoke-test.sh. Without a window manager there is no
# title bar, and windows are placed at the top left so that clicks can use
# window coordinates.

start_display() {  # starts Xvfb on a free display and exports DISPLAY
  local n
  for n in $(seq 70 99); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  XDG_RUNTIME_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR
  # The program's settings (remembered folders) stay out of the user's own.
  XDG_CONFIG_HOME=$(mktemp -d)
  export XDG_CONFIG_HOME
  for _ in $(seq 50); do
    xdotool getmouselocation >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "xdriver: Xvfb did not start" >&2
  return 1
}

stop_display() {
  kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
}

window() {  # waits for the newest visible window with this exact title, focuses it, prints its id
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -1) && [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || { echo "xdriver: no window '$1'" >&2; return 1; }
  xdotool windowfocus --sync "$id"
  echo "$id"
}

answer() {  # types an answer into the input box and confirms it
  window Input >/dev/null
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  sleep 0.4
}

click() {  # clicks a point of a window, in window coordinates
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.6
}

open_file() {  # File > Open of the main window, typing a full path
  xdotool key alt+f o
  window Open >/dev/null
  xdotool type --delay 10 "$1"
  xdotool key Return
  sleep 1
}

# Where the buttons are: the main window sized 502 x 454 and the results
# window at its designed size.
MAIN_WIDTH=502 MAIN_HEIGHT=454
MAIN_GRAPH="429 354" MAIN_TESSELIN="429 392"
RESULTS_GRAPH="483 300" RESULTS_RESTART="483 339" RESULTS_EXIT="483 414"

snapshot() { :; }  # called at each view by analyse_example; screenshots.sh redefines it

# Tesselin on the main window MAIN with 100 bins from 0 to 40; prints the
# results window, moved to the corner.
run_analysis() {
  local results
  click "$1" $MAIN_TESSELIN
  answer 100
  answer 0
  answer 40
  results=$(window "Tesselin Analysis")
  xdotool windowmove "$results" 0 0
  sleep 0.5
  echo "$results"
}

# Starts PROGRAM and runs one analysis of EXAMPLE as a user would: File > Open,
# Graph, Tesselin with 100 bins from 0 to 40, then Graph on the results
# window. Leaves the program's process in PROGRAM_PID and the results window
# in RESULTS_WINDOW.
analyse_example() {
  local main results
  "$1" &
  PROGRAM_PID=$!
  main=$(window "Tesselin Analysis")
  xdotool windowmove "$main" 0 0 windowsize "$main" $MAIN_WIDTH $MAIN_HEIGHT
  open_file "$2"
  main=$(window "Tesselin Analysis")
  click "$main" $MAIN_GRAPH
  snapshot main-window "$main"
  results=$(run_analysis "$main")
  snapshot results-grid "$results"
  click "$results" $RESULTS_GRAPH
  snapshot results-chart "$results"
  RESULTS_WINDOW=$results
}
