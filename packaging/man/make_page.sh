#!/bin/sh
# make_page.sh TEMPLATE OUTPUT.gz VERSION [PROGRAM]
# Writes the man page TEMPLATE, its @OPTIONS@ and @COMMANDS@ lists filled from `PROGRAM --help`
# (see help_to_man.awk), gzipped as Debian wants it: best compression, no name or time stamp.
set -eu
template=$1
output=$2
version=$3
program=${4:-}
page=${output%.gz}
help=$page.help
mkdir -p "$(dirname "$output")"
if [ -n "$program" ]; then
    "$program" --help >"$help"
else
    : >"$help"
fi
awk -v version="$version" -v helpfile="$help" -f "$(dirname "$0")/help_to_man.awk" \
    "$template" >"$page"
rm -f "$help"
gzip -9nf "$page"
