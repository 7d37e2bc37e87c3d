#!/usr/bin/env bash
# Regenerates the example definition database examples/definitions.mdb from
# examples/definitions.json with mdbwrite. The writer's output is the same for the same
# JSON, so a test can tell when the committed database lags behind the JSON.
#   examples/make_definitions.sh [OUT.mdb]     (MDBWRITE=path/to/mdbwrite to skip the build)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$here/definitions.mdb}

mdbwrite=${MDBWRITE:-}
if [ -z "$mdbwrite" ]; then
  build=$root/build/release
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" --target mdbwrite -j 2 >/dev/null
  mdbwrite=$build/tools/mdbwrite
fi
"$mdbwrite" "$out" < "$here/definitions.json"
echo "wrote $out"
