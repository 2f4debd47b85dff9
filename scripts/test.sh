#!/usr/bin/env bash
# Installs what is missing (as root or through sudo), builds with warnings as errors and runs
# every test. `scripts/test.sh asan` runs them under AddressSanitizer and
# UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
preset="${1:-ci}"
cmake --workflow --preset "$preset"
