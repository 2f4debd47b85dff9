#!/usr/bin/env bash
# The field's faults against tiltctl and a tiltsim on a pseudo-terminal, as a technician meets
# them: for each, how long tiltctl takes to end, its exit code, the CPU it used and what it says.
#   bench/field_faults.sh [BUILD_DIR]     (default build/release, else build/dev)
set -uo pipefail
cd "$(dirname "$0")/.."
. bench/sim_on_pty.sh "${1:-}"
now() { date +%s.%N; }
lines() { [ -f "$1" ] && tr -cd '\n' < "$1" | wc -c || echo 0; }

# report NAME START_TIME EXIT_CODE STDERR_FILE [EXTRA]
report() {
  printf '\n== %s\n   ended %.2f s after the fault, exit code %s%s\n' "$1" "$(echo "$(now) - $2" | bc)" "$3" "${5:+, $5}"
  grep -v '^Page \|^Retrieving' "$4" | sed 's/^/   /' | tail -4
}

echo "tiltctl: $ctl"

# 1. The adapter pulled out during a download: tiltsim killed once 4 pages are in.
start_sim --preload linear1 --pages 300
/usr/bin/time -f "%U %S" -o "$work/cpu1" "$ctl" --port "$PTS" download -o "$work/pulled.tlg" 2> "$work/err1" > /dev/null &
ctl_pid=$!
while [ "$(lines "$work/pulled.tlg")" -lt 16 ]; do sleep 0.02; done
kill -9 $SIM_PID; t=$(now); wait $ctl_pid; rc=$?
report "adapter pulled out during a download" "$t" $rc "$work/err1" "cpu $(tail -1 "$work/cpu1" | awk '{print $1+$2}') s, file ends with a whole line: $(tail -c2 "$work/pulled.tlg" | od -An -c | tr -d ' ')"

# 2. A full disk: the data file on /dev/full.
start_sim --preload linear1 --pages 30
t=$(now); "$ctl" --port "$PTS" download -o /dev/full 2> "$work/err2" > /dev/null; rc=$?
report "download -o /dev/full" "$t" $rc "$work/err2"

# 3. A page line that does not fit: the disk fills up after the header and a few pages.
t=$(now); ( ulimit -f 8; "$ctl" --port "$PTS" download -o "$work/full.tlg" 2> "$work/err3" > /dev/null ); rc=$?
report "disk full after a few pages (ulimit -f 8)" "$t" $rc "$work/err3" "file ends with a whole line: $(tail -c2 "$work/full.tlg" | od -An -c | tr -d ' ')"
"$ctl" --port "$PTS" download -o "$work/whole.tlg" 2> /dev/null > /dev/null  # for comparison
t=$(now); "$ctl" --port "$PTS" download -o "$work/full.tlg" --resume 2> "$work/err3b" > /dev/null; rc=$?
same=$(cmp -s "$work/full.tlg" "$work/whole.tlg" && echo "identical to a download in one go" || echo "DIFFERS from a download in one go")
report "  ... then --resume with room on the disk (time: the whole command)" "$t" $rc "$work/err3b" "$same"

# 4. -o into a folder that does not exist.
before=$(wc -l < "$RX")
t=$(now); "$ctl" --port "$PTS" download -o "$work/no such folder/x.tlg" 2> "$work/err4" > /dev/null; rc=$?
report "download -o into a missing folder" "$t" $rc "$work/err4" "bytes sent to the logger: $(( $(wc -l < "$RX") - before ))"

# 5. A second download while the first holds the port.
"$ctl" --port "$PTS" download -o "$work/first.tlg" 2> /dev/null > /dev/null &
first=$!; sleep 0.5
t=$(now); "$ctl" --port "$PTS" download -o "$work/second.tlg" 2> "$work/err5" > /dev/null; rc=$?
report "a second download while the first holds the port" "$t" $rc "$work/err5"
kill -INT $first; wait $first 2>/dev/null

# 6. erase --yes on a logger that never answers (tiltsim stopped).
kill -STOP $SIM_PID
t=$(now); /usr/bin/time -f "%U %S" -o "$work/cpu6" "$ctl" --port "$PTS" erase --yes 2> "$work/err6" > /dev/null; rc=$?
report "erase --yes on a logger that never answers" "$t" $rc "$work/err6" "cpu $(tail -1 "$work/cpu6" | awk '{print $1+$2}') s"
kill -CONT $SIM_PID

# 7. A saved port that is no 16-bit port number.
mkdir -p "$work/config/Tiltavarometer"
printf '[Startup]\nCurrentCommPort=99999\n' > "$work/config/Tiltavarometer/Tiltavarometer.conf"
t=$(now); XDG_CONFIG_HOME=$work/config "$ctl" download -o "$work/y.tlg" 2> "$work/err7" > /dev/null; rc=$?
report "saved port \"99999\"" "$t" $rc "$work/err7"
