#!/usr/bin/env bash
# desktop_files_test.sh TOOL FILE: Debian's validator for Orlindo's desktop entry
# (desktop-file-validate) or its AppStream file (appstreamcli) passes without a remark.
# Exits 77 (skipped) when the tool is not installed.
set -euo pipefail
tool=$1 file=$2
command -v "$tool" >/dev/null || { echo "not installed: $tool"; exit 77; }
case $tool in
  desktop-file-validate) command=(desktop-file-validate "$file") ;;
  appstreamcli) command=(appstreamcli validate --no-net "$file") ;;
  *) echo "FAIL: unknown validator $tool" >&2; exit 1 ;;
esac
if ! output=$("${command[@]}" 2>&1); then
  echo "FAIL: ${command[*]}: $output" >&2
  exit 1
fi
# desktop-file-validate passes hints; a remark of any kind is a fault to mend here.
if [ "$tool" = desktop-file-validate ] && [ -n "$output" ]; then
  echo "FAIL: ${command[*]}: $output" >&2
  exit 1
fi
echo "$output"
