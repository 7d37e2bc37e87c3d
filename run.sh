#!/usr/bin/env bash
# Installs what is missing, builds in Release and compiles the bundled example
# examples/symbols into out/example.zavlibsvg.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

mkdir -p out
# The compiler refuses to overwrite side files of an earlier run; start clean.
rm -f out/*.svgz out/LIBSVG.txt out/LIBSVG.txtz
"$build/compiler/zavbuild" example examples/symbols out
ls -l out/example.zavlibsvg
