#!/usr/bin/env bash
# fuzz/make_seeds.sh ZAVBUILD: remakes the reader's seed corpus in fuzz/corpus/fuzz_reader:
# a few tiny libraries from the compiler and damaged copies of one of them.
set -euo pipefail
cd "$(dirname "$0")/.."
zavbuild=$(realpath "$1")
seeds=fuzz/corpus/fuzz_reader
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$seeds" "$work"/{empty,one,few}/{src,out}

printf '' >"$work/empty/src/copyright.txt"
printf 'Hello World' >"$work/one/src/copyright.txt"
printf 'abc' >"$work/one/src/abc.svg"
printf '[INFO]\r\nCATEGORY=Test\r\nCAPTION=Letters\r\nUniqueID=L-1\r\n' >"$work/one/src/abc.svg.inf"
printf '\xEF\xBB\xBF(c) 地図\r\nline two\r\n' >"$work/few/src/copyright.txt"
printf '<svg xmlns="http://www.w3.org/2000/svg"><circle r="4"/></svg>' >"$work/few/src/a.svg"
printf '[INFO]\r\nCATEGORY=自然\r\nCAPTION=木|大\r\nUniqueID=T=1\r\n' >"$work/few/src/a.svg.inf"
printf '<svg><script>alert(1)</script></svg>' >"$work/few/src/b=1|x.svg"
printf '[INFO]\r\nCAPTION=<script>\r\n' >"$work/few/src/b=1|x.svg.inf"
printf '<svg/>' | gzip -9 >"$work/few/src/g.svgz"
printf '[INFO]\r\nCATEGORY=\r\n' >"$work/few/src/g.svgz.inf"
for lib in empty one few; do
  "$zavbuild" "$lib" "$work/$lib/src" "$work/$lib/out" >/dev/null
  cp "$work/$lib/out/$lib.zavlibsvg" "$seeds/$lib.zavlibsvg"
done
few=$seeds/few.zavlibsvg
size=$(stat -c %s "$few")
head -c $((size / 2)) "$few" >"$seeds/truncated.zavlibsvg"
cp "$few" "$seeds/flipped.zavlibsvg"
printf '\xFF' | dd of="$seeds/flipped.zavlibsvg" bs=1 seek=80 conv=notrunc status=none
cp "$few" "$seeds/no-index-offset.zavlibsvg"
printf '\xFF\xFF\xFF\xFF' | dd of="$seeds/no-index-offset.zavlibsvg" bs=1 seek=20 conv=notrunc status=none
