#!/usr/bin/env bash
# Fuzzes the data file readers with libFuzzer for SECONDS (default 600), starting from the
# project's sample files. Findings land in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target tilt_fuzz_readers
corpus=build/fuzz/corpus
mkdir -p "$corpus" build/fuzz/findings
cp -n tests/fixtures/logging/* "$corpus"/ 2>/dev/null || true
exec build/fuzz/fuzz/tilt_fuzz_readers "$corpus" -max_total_time="$seconds" -max_len=200000 \
  -timeout=10 -rss_limit_mb=2048 -artifact_prefix=build/fuzz/findings/ -print_final_stats=1
