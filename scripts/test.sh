#!/usr/bin/env bash
# Builds with warnings as errors and runs every test. `scripts/test.sh asan` runs them under
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-ci}"
cmake --workflow --preset "$preset"
