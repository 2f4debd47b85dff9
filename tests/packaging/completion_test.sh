#!/usr/bin/env bash
# completion_test.sh ROOT
# The bash completion of tiltctl as installed under ROOT (an unpacked package), run against the
# tiltctl installed beside it: command words, two-word commands, global options, --port values
# and each command's options. Prints one line a failed case; status 1 if any failed.
set -uo pipefail

root=$1
usr=$root/usr
failures=0
fail() {
    echo "FAIL: completion: $*"
    failures=$((failures + 1))
}

PATH=$usr/bin:$PATH
# shellcheck source=/dev/null
source "$usr/share/bash-completion/completions/tiltctl" ||
    { echo "FAIL: completion: cannot source it"; exit 1; }
registered=$(complete -p tiltctl 2>/dev/null)
function=${registered#*-F }
function=${function%% *}
if [[ $registered != *"-F "* ]] || ! declare -F "$function" >/dev/null; then
    echo "FAIL: completion: nothing completes tiltctl ($registered)"
    exit 1
fi

# The completions of the command line $1 (the cursor at its end), sorted, one line.
complete_line() {
    COMP_LINE=$1
    COMP_POINT=${#1}
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    "$function" tiltctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

# Exactly these completions (in any order).
expect() {
    local line=$1
    shift
    local want got
    want=$(printf '%s\n' "$@" | sort | tr '\n' ' ' | sed 's/ $//')
    got=$(complete_line "$line")
    [[ $got == "$want" ]] || fail "'$line<Tab>' gives '$got', not '$want'"
}

# At least these completions.
expect_some() {
    local line=$1
    shift
    local got word
    got=" $(complete_line "$line") "
    for word in "$@"; do
        [[ $got == *" $word "* ]] || fail "'$line<Tab>' gives '$got', without '$word'"
    done
}

expect "tiltctl eep" eeprom
expect_some "tiltctl eeprom " read write dump
expect_some "tiltctl config " read write defaults set diff
expect_some "tiltctl live " angles acc
expect_some "tiltctl remote " send receive
expect_some "tiltctl " detect probe connect eeprom config calibrate download csv erase launch \
    plot remote live tare untare dac
expect "tiltctl --p" --port
expect_some "tiltctl -" --port --help --version
expect_some "tiltctl --port " sim sim:bin
expect "tiltctl --port sim:l" linear1 linear2 linear3
expect_some "tiltctl --port=s" sim sim:bin
expect "tiltctl --port sim eeprom r" read
expect "tiltctl --port=sim live a" acc angles
expect "tiltctl --port /dev/ttyUSB0 conf" config
expect "tiltctl tare " x y
expect_some "tiltctl download -" -o --resume --help
expect "tiltctl eeprom read " # a cell address: nothing to offer
expect "tiltctl remote send --to " # a host: nothing to offer
expect "tiltctl nosuch "

# File names where the command takes a file, and after -o.
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
touch "$files/walk.tlg" "$files/walk.csv"
cd "$files" || exit 1
expect "tiltctl csv walk.t" walk.tlg
expect "tiltctl download -o wa" walk.csv walk.tlg
expect "tiltctl --port sim live angles --count wa"
cd - >/dev/null || exit 1

# Every command the help lists completes word by word.
while read -r -a words; do
    for ((k = 0; k < ${#words[@]}; ++k)); do
        line="tiltctl ${words[*]:0:k} "
        line=${line/tiltctl  /tiltctl }
        expect_some "$line" "${words[k]}"
    done
done < <(tiltctl --help | awk '
    /^Commands:$/ { list = 1; next }
    /^$/ { list = 0 }
    list && /^  [^ ]/ {
        sub(/^  /, ""); sub(/  .*/, "")
        n = split($0, w, " "); out = ""
        for (i = 1; i <= n && w[i] ~ /^[a-z][a-z0-9-]*$/; ++i) out = out (i > 1 ? " " : "") w[i]
        print out
    }')

exit $((failures > 0))
