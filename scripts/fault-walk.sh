#!/usr/bin/env bash
# Walks the desktop program through the faults of the field on a real X server (Xvfb), driven
# by real key presses and clicks (xdotool), against tiltsim, and saves a picture of each step:
#
#   scripts/fault-walk.sh [OUT]      pictures into OUT (default build/fault-walk)
#
# 1. the adapter pulled out mid-download (tiltsim killed): the error box, Escape, the end message
#    and the window; the same file continued on a logger plugged in again; Erase of a logger
#    whose download is unfinished;
# 2. the adapter pulled out while the download reads the logger's parameters;
# 3. the disk full mid-download (a file size limit);
# 4. the logger stopped (SIGSTOP) during an erase;
# 5. the adapter pulled out between a launch's erase and its start of logging.
#
# Needs the programs of $TILT_BUILD_DIR (default build/dev) and the packages xvfb, xdotool and
# x11-apps, imagemagick (`scripts/setup.sh` does not install them). The windows have no window
# manager: they open at the top left, where the clicks below expect them. Timings are generous
# sleeps, so a loaded machine may need TILT_WALK_SLOW=2 (a factor).
set -euo pipefail
cd "$(dirname "$0")/.."

build="${TILT_BUILD_DIR:-build/dev}"
out="${1:-build/fault-walk}"
slow="${TILT_WALK_SLOW:-1}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "fault-walk: $tool is missing" >&2; exit 1; }
done

work="$(mktemp -d)"
display=":$((90 + RANDOM % 9))"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY="$display"
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
pids+=($!)
sleep 1

pause() { sleep "$(echo "$1 * $slow" | bc -l)"; }
shot() { import -window root "$out/$1.png"; echo "fault-walk: $out/$1.png"; }
click() { xdotool mousemove "$1" "$2" click 1; pause 0.6; }
key() { xdotool key "$@"; pause 0.6; }

# A tiltsim on a pseudo-terminal; sets sim_pid and sim_path.
start_sim() {
  local log="$work/sim$RANDOM"
  mkfifo "$log.in"
  "$build/src/tiltsim" --preload linear1 --pages 300 "$@" >"$log" 2>/dev/null <"$log.in" &
  sim_pid=$!
  pids+=("$sim_pid")
  exec {sim_in}>"$log.in"  # tiltsim ends when its input closes
  pause 1
  sim_path="$(head -1 "$log")"
}

# The program on the tiltsim terminals given, with a data folder and settings of its own (those
# of the last start when keep_home names its folder).
start_program() {
  home="${keep_home:-$work/home$RANDOM}"
  mkdir -p "$home/config"
  data="$home/Data Files"
  (
    [ -n "${file_limit:-}" ] && ulimit -f "$file_limit"
    TILTAVAROMETER_HOME="$home" XDG_CONFIG_HOME="$home/config" \
      exec "$build/src/tiltavarometer" "$@" >/dev/null 2>&1
  ) &
  program_pid=$!
  pids+=("$program_pid")
  pause 3
}

stop_program() { kill "$program_pid" 2>/dev/null || true; pause 1; }

# Connect (the navigation bar's first item) on port 1, then the Download window.
connect_and_open_download() {
  click 75 60
  key ctrl+a
  xdotool type "${1:-1}"
  key Return
  pause 2.5
  click 75 135
}

download_into() {  # File > Download, then the file name in the save dialog
  click 20 8
  click 60 29
  pause "${2:-5.5}"
  xdotool type "$1"
  key Return
}

# --- 1. The adapter pulled out mid-download, and the same file continued --------------------
start_sim
first_sim="$sim_pid"
start_program --port "$sim_path"
connect_and_open_download
download_into walk
pause 3
click 20 8
shot 1a-menus-during-a-download
key Escape
kill "$first_sim"
pause 1.5
shot 1b-adapter-pulled-error-box
key Escape  # Retry: the program goes on
pause 1
shot 1c-adapter-pulled-end-message
key Return
shot 1d-download-window-after-the-end
click 20 8
click 50 51  # Erase while the download is unfinished
shot 1e-erase-asks-first
key Return  # No
start_sim
second="$sim_path"
stop_program
keep_home="$home"
start_program --port "$second"
keep_home=
connect_and_open_download
download_into walk 5.5
pause 1.5
shot 1f-continue-question
key Return  # Continue
pause 3
shot 1g-continued
stop_program

# --- 2. The adapter pulled out while the parameters are read ---------------------------------
start_sim
start_program --port "$sim_path"
connect_and_open_download
click 20 8
click 60 29
pause 1.5
kill "$sim_pid"
pause 4
shot 2-adapter-pulled-during-the-parameters
stop_program

# --- 3. The disk full mid-download ----------------------------------------------------------
start_sim
file_limit=24  # KB: the header and a few pages
start_program --port "$sim_path"
file_limit=
connect_and_open_download
download_into full
pause 3
shot 3a-disk-full-error-box
key Escape
pause 1
shot 3b-disk-full-end-message
stop_program

# --- 4. The logger stopped during an erase ---------------------------------------------------
start_sim
start_program --port "$sim_path"
connect_and_open_download
click 20 8
click 50 51
shot 4a-erase-question
key y
pause 1.5
kill -STOP "$sim_pid"
pause 3.5
shot 4b-logger-stopped-during-an-erase
click 20 8
click 50 51  # the user stops it
pause 1
shot 4c-erase-halted
kill -CONT "$sim_pid"
stop_program

# --- 5. The adapter pulled out during a launch ----------------------------------------------
start_sim
start_program --port "$sim_path"
click 75 60
key ctrl+a
xdotool type 1
key Return
pause 2.5
click 75 280  # Launch
xdotool key y
sleep 0.7  # the stamp and 'e' are out, 'X' is due (not stretched: the launch keeps its pace)
kill "$sim_pid"
pause 2
shot 5a-adapter-pulled-during-a-launch
key Escape  # an error box, if the loss came after 'X'
shot 5b-adapter-pulled-during-a-launch-then
stop_program
