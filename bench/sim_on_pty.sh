# Sourced by the bench scripts that run tiltctl against a tiltsim on a pseudo-terminal, with the
# build folder to take them from (default build/release, else build/dev). Sets $ctl, $sim and
# $work (a scratch folder, removed at the end with every tiltsim still running).
build=${1:-}
if [ -z "$build" ]; then
  build=build/release
  [ -x "$build/src/tiltctl" ] || build=build/dev
fi
ctl=$build/src/tiltctl
sim=$build/src/tiltsim
[ -x "$ctl" ] && [ -x "$sim" ] || { echo "build tiltctl and tiltsim first (cmake --build --preset release)" >&2; exit 2; }
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

# Starts a tiltsim with the given options; sets PTS, SIM_PID and RX (its receive log).
start_sim() {
  RX=$work/rx.$RANDOM.log
  # tiltsim serves until its standard input closes.
  sleep 3600 | "$sim" --rx-log "$RX" "$@" > "$work/sim.out" 2>&1 &
  SIM_PID=$!
  PTS=
  for _ in $(seq 50); do PTS=$(head -1 "$work/sim.out" 2>/dev/null); [ -n "$PTS" ] && break; sleep 0.1; done
}

# Stops the tiltsim started last and waits until it is gone.
stop_sim() {
  kill "$SIM_PID" 2>/dev/null
  while kill -0 "$SIM_PID" 2>/dev/null; do sleep 0.05; done
}
