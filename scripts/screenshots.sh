#!/usr/bin/env bash
# Regenerates every picture of docs/guide.md into docs/images/: the desktop program's windows,
# drawn offscreen on its simulated logger, and a tiltctl graph of a simulated download.
#
#   scripts/screenshots.sh            use the programs of $TILT_BUILD_DIR (default build/ci),
#                                     building only those that are missing
#   scripts/screenshots.sh --build    bring them up to date first
#
# A build runs $TILT_BUILD_JOBS jobs (default 2).
#
# Nothing of the user's is touched: the programs run with a data folder and settings of their
# own, in a temporary folder that goes when the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${TILT_BUILD_DIR:-build/ci}"
out=docs/images
programs=(tiltavarometer tiltctl)

# The window a picture shows (the program names its files after the window) and the name the
# guide uses for it. The About window is not used.
pictures=(
  "MDIForm1:main-window.png"
  "Connect:connect.png"
  "Configuration:configuration.png"
  "EEPROM:eeprom.png"
  "Calibrate:calibrate.png"
  "DownloadErase:download.png"
  "Graph:graph.png"
  "GraphBP:graph-button-pushes.png"
  "Angles:angles.png"
  "Accelerometers:accelerometers.png"
  "RemoteSession:remote-session.png"
)

force_build=false
case "${1:-}" in
  "") ;;
  --build) force_build=true ;;
  -h | --help)
    awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"
    exit 0
    ;;
  *)
    echo "screenshots: unknown option $1 (try --help)" >&2
    exit 2
    ;;
esac

# --- The programs -------------------------------------------------------------------------

missing=()
for program in "${programs[@]}"; do
  [ -x "$build/src/$program" ] || missing+=("$program")
done
if $force_build || [ ${#missing[@]} -gt 0 ]; then
  if [ ! -f "$build/CMakeCache.txt" ]; then
    preset=$(basename "$build")
    if [ "$build" != "build/$preset" ]; then
      echo "screenshots: $build is not configured; configure it, or set TILT_BUILD_DIR" >&2
      exit 1
    fi
    cmake --preset "$preset" >/dev/null
  fi
  cmake --build "$build" --parallel "${TILT_BUILD_JOBS:-2}" --target "${programs[@]}"
fi
for program in "${programs[@]}"; do
  if ! "$build/src/$program" --version >/dev/null 2>&1; then
    echo "screenshots: $build/src/$program does not run (being rebuilt?); try again" >&2
    exit 1
  fi
done

# --- A world of its own -------------------------------------------------------------------

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tilt-screenshots.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export QT_QPA_PLATFORM=offscreen
export TILTAVAROMETER_HOME="$scratch/home"   # data files and the error log
export XDG_CONFIG_HOME="$scratch/config"     # no saved port: port 1, the simulated logger
export XDG_RUNTIME_DIR="$scratch/runtime"
export LC_ALL=C.UTF-8                        # the same number format on every machine

# --- The windows --------------------------------------------------------------------------

shots="$scratch/shots"
# Qt's offscreen platform says once a window that it cannot pass size hints on; that is noise.
if ! "$build/src/tiltavarometer" --simulate --screenshot "$shots" >"$scratch/written" \
  2> >(grep -v 'does not support propagateSizeHints' >&2); then
  echo "screenshots: tiltavarometer --screenshot failed" >&2
  exit 1
fi

mkdir -p "$out"
for entry in "${pictures[@]}"; do
  window=${entry%%:*}
  name=${entry#*:}
  if [ ! -s "$shots/$window.png" ]; then
    echo "screenshots: the program drew no picture of the $window window" >&2
    exit 1
  fi
  cp "$shots/$window.png" "$out/$name"
done

# --- A graph drawn by tiltctl -------------------------------------------------------------

# A simulated logger inside tiltctl, holding a linear recording with button pushes.
"$build/src/tiltctl" --port sim:linear3 download -o "$scratch/walk.tlg" >/dev/null 2>&1
"$build/src/tiltctl" plot "$scratch/walk.tlg" -o "$out/tiltctl-plot.png" --pushes >/dev/null

for entry in "${pictures[@]}" "tiltctl:tiltctl-plot.png"; do
  file="$out/${entry#*:}"
  printf '%s\t%s bytes\n' "$file" "$(wc -c <"$file")"
done
