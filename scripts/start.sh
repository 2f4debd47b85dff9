#!/usr/bin/env bash
# Sets up, builds, and starts the desktop program on a simulated Tiltavarometer (port 1 of its
# port list, with a recording on it). Extra arguments go to the program, e.g. --technician.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target tiltavarometer tiltsim tiltctl

program=build/dev/src/tiltavarometer
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No screen to show a window on: leave pictures of the windows instead.
  echo "No display found; saving pictures of the windows into build/screens instead."
  exec "$program" --simulate --screenshot build/screens "$@"
fi
exec "$program" --simulate "$@"
