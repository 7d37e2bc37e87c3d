#!/usr/bin/env bash
# scripts/package_check.sh [BUILD]: makes the .deb that users install from the Release
# build in BUILD (default build/release; configured and built here when it is not yet)
# and checks it as Debian would: lintian without errors, dependencies found by
# dpkg-shlibdeps, and the programs extracted with dpkg-deb run on the bundled example.
# Called by test.sh; needs lintian and dpkg-dev (scripts/deps.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZAV_BUILD_TESTS=OFF >/dev/null
fi
# The sanitizer build, or one with debugging code, is not what users install.
type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
sanitize=$(sed -n 's/^ZAV_SANITIZE:[A-Z]*=//p' "$build/CMakeCache.txt")
if [ "$type" != Release ] || [ "$sanitize" = ON ]; then
  echo "package_check: $build is not a Release build without sanitizers" >&2
  exit 1
fi
cmake --build "$build" -j "$(nproc)"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
deb=$build/package/zavora_${version}_amd64.deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "package_check: cpack made no $deb" >&2; exit 1; }
echo "package_check: $deb ($(stat -c %s "$deb") bytes)"

depends=$(dpkg-deb -f "$deb" Depends)
echo "package_check: Depends: $depends"
names=" $(sed -E 's/ \([^)]*\)//g; s/,//g' <<<"$depends") "
for library in libc6 libstdc++6 zlib1g libqt6widgets6 libmdb3; do
  if [[ "$names" != *" $library "* ]]; then
    echo "package_check: Depends lacks $library" >&2
    exit 1
  fi
done

# Errors fail the check; the warnings and notes that remain are printed for the record.
lintian --fail-on error --tag-display-limit 0 --display-info "$deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
root=$work/root/usr
examples=$root/share/doc/zavora/examples

expect_line() {  # expect_line WHAT EXPECTED COMMAND...
  local what=$1 expected=$2 got
  shift 2
  got=$("$@")
  if [ "$got" != "$expected" ]; then
    echo "package_check: $what printed '$got', not '$expected'" >&2
    exit 1
  fi
}
expect_line "zavbuild --version" "zavbuild $version" "$root/bin/zavbuild" --version
expect_line "zavinspect --version" "zavinspect $version" "$root/bin/zavinspect" --version
expect_line "Orlindo --version" "Orlindo $version" env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/Orlindo" --version

# The extracted compiler on the extracted example gives the library that the build's own
# compiler gives.
mkdir "$work/out" "$work/reference"
"$root/bin/zavbuild" example "$examples/symbols" "$work/out" >/dev/null
"$build/compiler/zavbuild" example examples/symbols "$work/reference" >/dev/null
cmp "$work/out/example.zavlibsvg" "$work/reference/example.zavlibsvg"
echo "package_check: the extracted zavbuild made example.zavlibsvg ($(stat -c %s "$work/out/example.zavlibsvg") bytes)"

# The extracted reader finds that library sound.
"$root/bin/zavinspect" verify "$work/out/example.zavlibsvg"

# Orlindo in batch mode writes its descriptor files into the SVG folder for the build
# and leaves it as it found it.
mkdir "$work/batch" "$work/config" "$work/runtime"
before=$(cd "$examples" && find . -type f -exec md5sum {} + | sort)
env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  "$root/bin/Orlindo" --batch --mdb "$examples/definitions.mdb" --svg "$examples/symbols" \
  --out "$work/batch" --name example-db --copyright "Maki icons by Mapbox, CC0 1.0"
[ -f "$work/batch/example-db.zavlibsvg" ]
[ "$before" = "$(cd "$examples" && find . -type f -exec md5sum {} + | sort)" ]
echo "package_check: the extracted Orlindo --batch made example-db.zavlibsvg and left the example as it was"
