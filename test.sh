#!/usr/bin/env bash
# Installs what is missing, then builds and tests two configurations, each with warnings
# as errors: Release, as users build it (GCC 12 warns there where the sanitizer build
# stays quiet), and AddressSanitizer + UBSan. Arguments go to both ctest runs. Then the
# .deb from the Release build, and each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# build_and_test NAME BUILD_FOLDER CMAKE_OPTION...
build_and_test() {
  local name=$1 build=$2
  shift 2
  echo "== $name: $build"
  cmake -S . -B "$build" -DZAV_WERROR=ON "$@" >/dev/null
  cmake --build "$build" -j "$(nproc)"
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "${ctest_args[@]}"
}

ctest_args=("$@")
build_and_test Release build/test-release -DCMAKE_BUILD_TYPE=Release
build_and_test "AddressSanitizer + UBSan" build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAV_SANITIZE=ON

# The package users install comes from the Release build: made into the .deb and checked.
scripts/package_check.sh build/test-release

# Every fuzz target for a few seconds on its corpus: a crash found since the seeds were
# made shows here, not only in a long run of fuzz/run.sh.
fuzz/run.sh "${ZAV_FUZZ_SECONDS:-5}"
