#!/usr/bin/env bash
# Fuzzes with libFuzzer for SECONDS in all (default 600), shared evenly among the TARGETs run
# one after another (default: all of them): readers (data files, from the project's sample
# files), profile (configuration profiles as JSON) and datagram (datagrams from the network).
# Corpora grow in build/fuzz/corpus/TARGET; findings land in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(readers profile datagram)
fi
each=$((seconds / ${#targets[@]}))
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]/#/tilt_fuzz_}"
mkdir -p build/fuzz/findings
failed=()
for target in "${targets[@]}"; do
  corpus=build/fuzz/corpus/$target
  mkdir -p "$corpus"
  case $target in
    readers) seeds=tests/fixtures/logging max_len=200000 ;;
    *) seeds=fuzz/seeds/$target max_len=4096 ;;
  esac
  cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  echo "== $target: ${each} s"
  # A finding ends this target's run, not the others'.
  build/fuzz/fuzz/tilt_fuzz_"$target" "$corpus" -max_total_time="$each" -max_len="$max_len" \
    -timeout=10 -rss_limit_mb=2048 -artifact_prefix=build/fuzz/findings/"$target"- \
    -print_final_stats=1 || failed+=("$target")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "Findings in: ${failed[*]} (see build/fuzz/findings)" >&2
  exit 1
fi
