#!/usr/bin/env bash
# man_page_test.sh PAGE PROGRAM: the manual page formats without a warning in groff and
# mandoc, and names every option and environment variable that `PROGRAM --help` names.
# Exits 77 (skipped) after the other checks when groff or mandoc is not installed.
set -euo pipefail
page=$1 program=$2
fail() { echo "FAIL: $page: $*" >&2; exit 1; }
missing=()

if command -v groff >/dev/null; then
  warnings=$(groff -ww -z -man "$page" 2>&1) || fail "groff failed: $warnings"
  [ -z "$warnings" ] || fail "groff warns: $warnings"
else
  missing+=(groff)
fi
if command -v mandoc >/dev/null; then
  warnings=$(mandoc -T lint "$page" 2>&1) || fail "mandoc -T lint: $warnings"
  [ -z "$warnings" ] || fail "mandoc -T lint: $warnings"
else
  missing+=(mandoc)
fi

help=$(env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$program" --help)
names=$(grep -oE -- '--[a-z][a-z-]*|\b(ZAV|XDG)_[A-Z_]+' <<<"$help" | sort -u)
[ -n "$names" ] || fail "$program --help names no option"
for name in $names; do
  grep -qF -- "${name//-/\\-}" "$page" || fail "$name is not described"
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "not installed: ${missing[*]}"
  exit 77
fi
