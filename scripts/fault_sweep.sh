#!/usr/bin/env bash
# scripts/fault_sweep.sh [BUILD]: the whole fault-injection sweep, every file call of
# zavbuild and of Orlindo --batch (with the compiler it runs) failed in turn, where
# ctest takes a stride. BUILD is a configured test build (default build/test, the
# sanitizer build of test.sh); it is brought up to date first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
if [ ! -f "$build/CMakeCache.txt" ]; then
  echo "scripts/fault_sweep.sh: $build is not a configured build; run ./test.sh or cmake first" >&2
  exit 2
fi
cmake --build "$build" -j 2 --target compiler_tests frontend_tests
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ZAV_FAULT_SWEEP_STRIDE=1 ctest --test-dir "$build" --output-on-failure -V -R 'FaultSweepTest' --timeout 7200
