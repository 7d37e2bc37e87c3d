#!/usr/bin/env bash
# Installs what is missing, builds zavbuild and Orlindo in Release, compiles the bundled
# example examples/symbols into out/example.zavlibsvg, then runs the whole chain once:
# the definition database examples/definitions.mdb and examples/symbols through
# Orlindo's batch mode (no window, no display) into out/example-db.zavlibsvg. zavinspect
# verifies both libraries and writes their preview pages (out/example.html,
# out/example-db.html).
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh

build=build/release
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target zavbuild Orlindo zavinspect

mkdir -p out
# The compiler refuses to overwrite side files of an earlier run; start clean.
rm -f out/*.svgz out/LIBSVG.txt out/LIBSVG.txtz
"$build/compiler/zavbuild" example examples/symbols out
echo "out/example.zavlibsvg: $(stat -c %s out/example.zavlibsvg) bytes"
"$build/inspect/zavinspect" verify out/example.zavlibsvg
"$build/inspect/zavinspect" preview out/example.zavlibsvg out/example.html

# The front end removes the side files it made and keeps any that were there, so the
# compiler's side files from above must go first. The batch mode never writes the
# settings file, and the build leaves the top of the SVG folder as it found it.
rm -f out/*.svgz out/LIBSVG.txt out/LIBSVG.txtz
"$build/frontend/Orlindo" --batch --mdb examples/definitions.mdb --svg examples/symbols \
  --out out --name example-db --copyright "Maki icons by Mapbox, CC0 1.0"
echo "out/example-db.zavlibsvg: $(stat -c %s out/example-db.zavlibsvg) bytes"
"$build/inspect/zavinspect" verify out/example-db.zavlibsvg
"$build/inspect/zavinspect" preview out/example-db.zavlibsvg out/example-db.html
