#!/usr/bin/env bash
# fuzz/run.sh [SECONDS]: builds every fuzz target (fuzz/CMakeLists.txt) with clang and
# libFuzzer in build/fuzz, then runs each for SECONDS (default 60) on its seed corpus
# fuzz/corpus/NAME, with fuzz/NAME.dict where there is one. New inputs go to
# build/fuzz/corpus/NAME, findings to build/fuzz/findings; the committed seeds stay as
# they are. Exit status 1 when a target found a crash, a leak or a timeout.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
zav_install_packages clang libclang-rt-dev cmake make pkg-config zlib1g-dev libexpat1-dev nlohmann-json3-dev \
  mdbtools-dev

seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "fuzz/run.sh: SECONDS must be a positive number, not '$seconds'" >&2
  exit 2
fi
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAV_FUZZ=ON \
  -DZAV_BUILD_FRONTEND=OFF -DZAV_BUILD_TESTS=OFF >/dev/null
mapfile -t targets <"$build/fuzz/targets.txt"
cmake --build "$build" -j 2 --target "${targets[@]}" >/dev/null

mkdir -p "$build/findings"
status=0
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  mkdir -p "$build/corpus/$target"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build/findings/$target-")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  echo "fuzz/run.sh: $target for $seconds s"
  if ! "$build/fuzz/$target" "${options[@]}" "$build/corpus/$target" "fuzz/corpus/$target" \
      >"$build/$target.log" 2>&1; then
    echo "fuzz/run.sh: $target found a fault; see $build/$target.log and $build/findings/" >&2
    tail -n 40 "$build/$target.log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^stat::new_units_added' "$build/$target.log" || true
done
exit $status
