#!/usr/bin/env bash
# install_test.sh BUILD VERSION PROGRAM...: `cmake --install BUILD --prefix P` into a
# temporary P gives a tree that runs from P: each installed program prints its version
# and does its work on the installed example (zavinspect reads back what zavbuild made
# of it); the desktop entry names what is installed.
set -euo pipefail
build=$1 version=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
examples=$prefix/share/doc/zavora/examples
fail() { echo "FAIL: $*" >&2; exit 1; }

for file in share/doc/zavora/copyright share/doc/zavora/changelog.gz \
            share/doc/zavora/examples/definitions.mdb share/doc/zavora/examples/symbols/copyright.txt; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done

# Orlindo must need no display for any of this; its leak report is Qt's, not ours.
run() { env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$@"; }

for program in "$@"; do
  [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
  [ -f "$prefix/share/man/man1/$program.1.gz" ] || fail "the manual page of $program is not installed"
  got=$(run "$prefix/bin/$program" --version)
  [ "$got" = "$program $version" ] || fail "$program --version printed '$got'"
  out=$work/out-$program
  mkdir "$out"
  case $program in
    zavbuild)
      "$prefix/bin/zavbuild" example "$examples/symbols" "$out" >"$work/console" ||
        fail "zavbuild on the example: $(cat "$work/console")"
      [ -s "$out/example.zavlibsvg" ] || fail "zavbuild made no library"
      ;;
    zavinspect)
      # Reads back what the installed compiler makes of the installed example.
      "$prefix/bin/zavbuild" example "$examples/symbols" "$out" >"$work/console" ||
        fail "zavbuild for zavinspect: $(cat "$work/console")"
      symbols=$(find "$examples/symbols" -name '*.inf' | wc -l)  # one descriptor per symbol
      got=$("$prefix/bin/zavinspect" verify "$out/example.zavlibsvg") || fail "zavinspect verify: $got"
      [ "$got" = "$out/example.zavlibsvg: ok: $symbols symbols, 0 warnings" ] || fail "zavinspect verify printed '$got'"
      "$prefix/bin/zavinspect" list "$out/example.zavlibsvg" >"$work/list" || fail "zavinspect list failed"
      grep -qx "Symbols: $symbols" "$work/list" || fail "zavinspect list: $(head -5 "$work/list")"
      ;;
    Orlindo)
      before=$(cd "$examples" && find . -type f -exec md5sum {} + | sort)
      mkdir "$work/config" "$work/runtime"
      XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
        run "$prefix/bin/Orlindo" --batch --mdb "$examples/definitions.mdb" --svg "$examples/symbols" \
        --out "$out" --name example-db --copyright "Maki icons by Mapbox, CC0 1.0" 2>"$work/dialogs" ||
        fail "Orlindo --batch on the example: $(cat "$work/dialogs")"
      [ -s "$out/example-db.zavlibsvg" ] || fail "Orlindo made no library"
      [ "$before" = "$(cd "$examples" && find . -type f -exec md5sum {} + | sort)" ] ||
        fail "Orlindo left the example's SVG folder changed"

      desktop=$(find "$prefix/share/applications" -name '*.desktop')
      [ "$(wc -l <<<"$desktop")" = 1 ] || fail "not one desktop entry: $desktop"
      id=$(basename "$desktop" .desktop)
      grep -qx "Exec=Orlindo" "$desktop" || fail "the desktop entry does not start Orlindo"
      grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
      [ -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no icon $id.svg"
      grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
        "$prefix/share/metainfo/$id.metainfo.xml" || fail "no AppStream file launching $id.desktop"
      ;;
    *) fail "no example run for $program" ;;
  esac
done
