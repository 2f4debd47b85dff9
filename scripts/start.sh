#!/usr/bin/env bash
# Sets up, builds, and runs the companion on the simulated device: tiltsim serves a device with a
# recording on a pseudo-terminal, and tiltctl finds it and reads its configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target tiltsim tiltctl

bin=build/dev/src
fifo=$(mktemp -u)
mkfifo "$fifo"
# tiltsim serves until its standard input closes: hold the fifo open for it.
"$bin/tiltsim" --preload linear3 --pushes 3 <"$fifo" >"$fifo.out" &
exec 3>"$fifo"
trap 'exec 3>&-; rm -f "$fifo" "$fifo.out"' EXIT
for _ in $(seq 50); do [ -s "$fifo.out" ] && break; sleep 0.1; done
port=$(head -n 1 "$fifo.out")
echo "Simulated Tiltavarometer on $port"

"$bin/tiltctl" --port "$port" detect
for address in 30 42 43; do
  echo "EEPROM cell $address = $("$bin/tiltctl" --port "$port" eeprom read "$address")"
done
