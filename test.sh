#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, runs every test, then
# each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

build=build/test
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAV_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"

# Every fuzz target for a few seconds on its corpus: a crash found since the seeds were
# made shows here, not only in a long run of fuzz/run.sh.
fuzz/run.sh "${ZAV_FUZZ_SECONDS:-5}"
