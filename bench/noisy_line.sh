#!/usr/bin/env bash
# The live angle loop and the configuration read on a noisy line and with a slow logger, end to
# end: the whole tiltctl command against a tiltsim on a pseudo-terminal, as a technician runs it.
#   bench/noisy_line.sh [BUILD_DIR] [SECONDS]   (default build/release, else build/dev; 20 s)
# Prints the pace of the loop clean and with faults (readings that differ from the held attitude
# are counted), ten configuration reads clean and with faults (every value compared with the
# clean read); against a logger that starts every reply 150 ms late, the values and the
# shortest gap between two requests in tiltsim's receive log; and against a logger whose delay
# jumps from 1 ms to 150 ms 5 s into the run, the values and how long the loop takes to settle.
set -uo pipefail
cd "$(dirname "$0")/.."
. bench/sim_on_pty.sh "${1:-}"
seconds=${2:-20}
faults_live=lose=0.01,extra=0.01,short=0.01
faults_read=lose=0.02,extra=0.02,short=0.02

# live LABEL KIND SIM_OPTIONS...: `tiltctl live KIND` (angles or acc) for $seconds; its pace,
# asked-again count and wrong readings (angles other than the held attitude; counts more than two
# from their median: the simulator's noise of one count around a value between two whole counts
# spans three, while a reading shifted by a byte is off by hundreds).
live() {
  local label=$1 kind=$2; shift 2
  start_sim --attitude 30,-45 "$@"
  "$ctl" --port "$PTS" live "$kind" --seconds "$seconds" --json > "$work/live.out" 2> "$work/live.err"
  stop_sim
  python3 - "$label" "$work/live.out" "$work/live.err" <<'EOF'
import json, statistics, sys
label, out, err = sys.argv[1:]
rows = [json.loads(l) for l in open(out) if l.strip()]
if "AngleX" in rows[0]:
    wrong = sum(1 for r in rows if r["AngleX"] != 30 or r["AngleY"] != -45)
else:
    keys = ["AccX", "AccY", "AccZ"]
    middle = {k: statistics.median(r[k] for r in rows) for k in keys}
    wrong = sum(1 for r in rows if any(abs(r[k] - middle[k]) > 2 for k in keys))
summary = [json.loads(l) for l in open(err) if l.startswith("{")][-1]
print(f"{label:40s} {summary['readingsPerSecond']:7.1f} readings/s, "
      f"{summary['askedAgain']} asked again, {wrong} wrong of {len(rows)}")
EOF
}

# reads LABEL RUNS SIM_OPTIONS...: RUNS configuration reads; their times, and whether each printed
# the same as $work/clean.read (written by the first call).
reads() {
  local label=$1 runs=$2; shift 2
  start_sim "$@"
  local times=() same=0
  for _ in $(seq "$runs"); do
    local t0 t1
    t0=$(date +%s.%N)
    "$ctl" --port "$PTS" config read > "$work/read.out" 2> /dev/null
    t1=$(date +%s.%N)
    times+=("$(echo "$t1 - $t0" | bc)")
    [ -f "$work/clean.read" ] || cp "$work/read.out" "$work/clean.read"
    cmp -s "$work/read.out" "$work/clean.read" && same=$((same + 1))
  done
  stop_sim
  printf '%-40s %s s each (mean %s s), %d of %d equal to the clean read\n' "$label" \
    "$(printf '%.2f ' "${times[@]}")" \
    "$(printf '%s\n' "${times[@]}" | awk '{s+=$1} END {printf "%.3f", s/NR}')" "$same" "$runs"
}

# The shortest gap, in ms, between a request and the one before it in the receive log: every
# byte of a live loop, every 'r' of a configuration read (each follows its address byte).
shortest_gap() {
  python3 - "$RX" "$1" <<'EOF'
import sys
rx, kind = sys.argv[1:]
log = [(float(a), int(b)) for a, b in (l.split() for l in open(rx) if l.strip())]
if kind == "live":
    starts = [t for t, _ in log]
else:  # 'r', address pairs: the gap from an address to the next 'r'
    starts = [log[i][0] for i in range(0, len(log), 2)]
    ends = [log[i][0] for i in range(1, len(log), 2)]
    print(f"{min(b - a for a, b in zip(ends, starts[1:])) * 1000:.1f}")
    sys.exit()
print(f"{min(b - a for a, b in zip(starts, starts[1:])) * 1000:.1f}")
EOF
}

echo "tiltctl: $ctl"
echo
echo "Live angle loop, ${seconds} s, logger held at X 30, Y -45:"
live "clean line" angles
live "faults $faults_live" angles --faults "$faults_live"
echo
echo "Configuration read (53 cells):"
reads "clean line" 10
reads "faults $faults_read" 10 --faults "$faults_read"
echo
echo "A logger that starts every reply 150 ms late:"
live "live angles, --reply-delay 150" angles --reply-delay 150
echo "   shortest gap between two requests: $(shortest_gap live) ms (a reply takes 150 ms + 2.6 ms)"
reads "config read, --reply-delay 150" 1 --reply-delay 150
echo "   shortest gap from an address to the next request: $(shortest_gap read) ms (150 ms + 0.5 ms)"
live "live acc, --reply-delay 150" acc --reply-delay 150
echo "   shortest gap between two requests: $(shortest_gap live) ms (a reply takes 150 ms + 3.6 ms)"
echo
echo "A logger whose reply delay jumps from 1 ms to 150 ms 5 s after it starts:"
live "live angles" angles --reply-delay 1 --reply-delay-change 150@5s
python3 - "$RX" <<'EOF'
import sys
starts = [float(l.split()[0]) for l in open(sys.argv[1]) if l.strip()]
gaps = [(b, (b - a) * 1000) for a, b in zip(starts, starts[1:])]
before = [g for t, g in gaps if t < 5]
after = [(t, g) for t, g in gaps if t >= 5]
into = [(t, g) for t, g in after if g < 150]
settled = into[-1][0] if into else 5
print(f"   before the jump: a request every {sum(before) / len(before):.1f} ms; after it, "
      f"{len(into)} requests came sooner than 150 ms after the one before, the last "
      f"{(settled - 5) * 1000:.0f} ms after the jump; from then on every request at least "
      f"{min(g for t, g in after if t > settled):.1f} ms after the one before")
EOF
