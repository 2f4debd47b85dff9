#!/usr/bin/env bash
# Makes the Debian package: a Release build (preset release, in build/release) of the three
# programs and their data files, then build/release/tiltavarometer_<version>_<arch>.deb, checked
# unpacked by tests/packaging/check_package.sh. Its path is the last line printed.
# `scripts/package.sh ci` packages the already built CI tree (build/ci) instead, as CI does.
# Install it with `sudo apt-get install ./build/release/tiltavarometer_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
build="build/$preset"

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target tiltavarometer tiltctl tiltsim tilt_packaging_files
# Drop a package of another version, so the one checked and printed is this build's.
rm -f "$build"/tiltavarometer_*.deb
cpack --config "$build/CPackConfig.cmake" -B "$build"
shopt -s nullglob
debs=("$build"/tiltavarometer_*.deb)
if [ ${#debs[@]} -ne 1 ]; then
    echo "package: cpack made ${#debs[@]} packages in $build" >&2
    exit 1
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
tests/packaging/check_package.sh "${debs[0]}" "$version"
realpath "${debs[0]}"
