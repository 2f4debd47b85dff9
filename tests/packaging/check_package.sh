#!/usr/bin/env bash
# check_package.sh DEB [VERSION]
# Checks a tiltavarometer Debian package unpacked into a temporary root: its control fields and
# name, that the three programs start from there, that the desktop entry and the AppStream
# metainfo validate (without the network), the icons, that the man pages render without
# warnings and describe what the programs' --help lists, and the bash completion of tiltctl.
# Prints one line a failed check and ends with status 1 if any failed.
set -uo pipefail

deb=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for tool in dpkg-deb desktop-file-validate appstreamcli groff gzip; do
    if ! command -v "$tool" >/dev/null; then
        echo "check_package: $tool is missing; scripts/setup.sh installs it" >&2
        exit 1
    fi
done

# The control fields and the file name.
arch=$(dpkg --print-architecture)
version=${2:-$(dpkg-deb -f "$deb" Version)}
[[ $(dpkg-deb -f "$deb" Package) == tiltavarometer ]] || fail "Package is not tiltavarometer"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "Version is not $version"
[[ $(dpkg-deb -f "$deb" Architecture) == "$arch" ]] || fail "Architecture is not $arch"
[[ $(basename "$deb") == "tiltavarometer_${version}_${arch}.deb" ]] ||
    fail "the file is named $(basename "$deb"), not tiltavarometer_${version}_${arch}.deb"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6serialport6 libqcustomplot; do
    [[ $depends == *"$library"* ]] ||
        fail "Depends lacks $library (were the libraries' packages computed?): $depends"
done
dpkg-deb -f "$deb" Description | grep -q 'usermod -aG dialout' ||
    fail "the Description does not say how to join the dialout group"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }
usr=$root/usr
app_id=io.github.tiltavarometer.Tiltavarometer
expected=(
    bin/tiltavarometer bin/tiltctl bin/tiltsim
    share/applications/tiltavarometer.desktop
    "share/metainfo/$app_id.metainfo.xml"
    share/icons/hicolor/scalable/apps/tiltavarometer.svg
    share/man/man1/tiltavarometer.1.gz share/man/man1/tiltctl.1.gz share/man/man1/tiltsim.1.gz
    share/bash-completion/completions/tiltctl
    share/doc/tiltavarometer/README.Debian
)
for size in 16 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/tiltavarometer.png")
done
for file in "${expected[@]}"; do
    [[ -f $usr/$file ]] || fail "the package lacks /usr/$file"
done

# The programs start from the unpacked root and name the package's version.
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$root
[[ $("$usr/bin/tiltctl" --version) == "tiltctl $version" ]] || fail "tiltctl --version"
[[ $("$usr/bin/tiltsim" --version) == "tiltsim $version" ]] || fail "tiltsim --version"
[[ $("$usr/bin/tiltavarometer" --version 2>/dev/null) == "Tiltavarometer $version" ]] ||
    fail "tiltavarometer --version"

# The desktop entry: valid, and naming what the package installs.
desktop=$usr/share/applications/tiltavarometer.desktop
if ! report=$(desktop-file-validate "$desktop" 2>&1) || [[ -n $report ]]; then
    fail "desktop-file-validate: $report"
fi
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -x $usr/bin/$exec_program ]] ||
    fail "the desktop entry starts '$exec_program', which is not in /usr/bin"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no hicolor icon '$icon'"
grep -q '^Categories=.*Science;' "$desktop" || fail "the desktop entry is not in Science"

# The metainfo: no errors, warnings or infos (pedantic notes pass), alone and with the desktop
# entry beside it.
metainfo=$usr/share/metainfo/$app_id.metainfo.xml
for check in "validate --no-net $metainfo" "validate-tree --no-net $root"; do
    # shellcheck disable=SC2086
    report=$(appstreamcli $check 2>&1) || fail "appstreamcli $check: $report"
    grep -E '^ *[EWI]: ' <<<"$report" &&
        fail "appstreamcli $check reports errors, warnings or infos"
done
grep -q "<id>$app_id</id>" "$metainfo" || fail "the metainfo's id is not $app_id"

# The PNG icons are the size their folder says (the width and height of the IHDR chunk).
for size in 16 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/tiltavarometer.png
    [[ -f $png ]] || continue
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
    height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    [[ $width == "$size" && $height == "$size" ]] || fail "$png is ${width}x$height"
done

# The man pages: gzipped, rendering without a warning, and describing everything --help lists.
page_text() {
    zcat "$usr/share/man/man1/$1.1.gz" | groff -man -Tascii -P-cbou 2>/dev/null | tr -s ' \n' '  '
}
for program in tiltavarometer tiltctl tiltsim; do
    page=$usr/share/man/man1/$program.1.gz
    [[ -f $page ]] || continue
    gzip -t "$page" || fail "$page is not gzipped"
    report=$(zcat "$page" | groff -man -ww -z 2>&1)
    [[ -z $report ]] || fail "$program(1) renders with warnings: $report"
done
tiltctl_page=$(page_text tiltctl)
[[ $tiltctl_page == *"sudo usermod -aG dialout \$USER"* ]] ||
    fail "tiltctl(1) does not say how to join the dialout group"
while IFS= read -r usage; do
    [[ $tiltctl_page == *" $usage "* ]] || fail "tiltctl(1) lacks the command '$usage'"
done < <("$usr/bin/tiltctl" --help | awk '
    /^Commands:$/ { list = 1; next }
    /^$/ { list = 0 }
    list && /^  [^ ]/ { sub(/^  /, ""); sub(/  .*/, ""); print }')
for program in tiltctl tiltsim tiltavarometer; do
    text=$(page_text "$program")
    # Every option of the help's option list.
    while IFS= read -r option; do
        [[ $text == *"$option"* ]] || fail "$program(1) lacks the option $option"
    done < <("$usr/bin/$program" --help 2>/dev/null | awk '
        /^Options:$/ { list = 1; next }
        /^[^ ]/ { list = 0 }
        list && /^  -/ { sub(/^  /, ""); sub(/  .*/, ""); print }' |
        grep -oE -- '--?[a-z][a-z-]*')
done

bash "$here/completion_test.sh" "$root" || failures=$((failures + 1))

if ((failures)); then
    echo "check_package: $failures checks of $(basename "$deb") failed"
    exit 1
fi
echo "check_package: $(basename "$deb") passes"
