#!/usr/bin/env bash
# package_test.sh CPACK BUILD_DIR WORK_DIR VERSION
# Makes the Debian package of the build tree BUILD_DIR into WORK_DIR (the tree itself is left
# alone) and checks it with check_package.sh.
set -euo pipefail
cpack=$1
build=$2
work=$3
version=$4
rm -rf "$work"
mkdir -p "$work"
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "package_test: cpack failed (dpkg-shlibdeps is in dpkg-dev; scripts/setup.sh installs it)"
    exit 1
fi
deb=$work/tiltavarometer_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || { cat "$work/cpack.log"; echo "FAIL: cpack made no $deb"; ls "$work"; exit 1; }
"$(dirname "$0")/check_package.sh" "$deb" "$version"
