#!/usr/bin/env bash
# Installs what is missing, builds zavbuild in Release and compiles the bundled example
# examples/symbols into out/example.zavlibsvg, then shows what it wrote.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target zavbuild

mkdir -p out
# The compiler refuses to overwrite side files of an earlier run; start clean.
rm -f out/*.svgz out/LIBSVG.txt out/LIBSVG.txtz
"$build/compiler/zavbuild" example examples/symbols out
echo "out/example.zavlibsvg: $(stat -c %s out/example.zavlibsvg) bytes"
