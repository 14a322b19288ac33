#!/usr/bin/env bash
# Regenerates platform/upper_case_table.inc from the platform's own
# upper-casing, read under Wine. Needs what tools/install-deps installs.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static "$root/tools/upper_case/dump_upper.cpp" \
  -o "$work/dump.exe"
WINEPREFIX="$work/prefix" "$root/tools/wine-run" "$work/dump.exe" > "$root/platform/upper_case_table.inc"
echo "wrote platform/upper_case_table.inc"
