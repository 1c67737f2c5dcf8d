#!/usr/bin/env bash
# Builds the pilots' zips of both Windows presets and checks their contents:
#   scripts/package-windows.sh [win32|win64]...   (default: both)
# They land in build/win32/package/vorlat-VERSION-windows-x86.zip and
# build/win64/package/vorlat-VERSION-windows-x64.zip.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win32 win64)
for preset in "${presets[@]}"; do
    case "$preset" in
        win32) architecture=x86 ;;
        win64) architecture=x64 ;;
        *) echo "$0: unknown preset $preset (win32 or win64)" >&2; exit 2 ;;
    esac
    cmake --preset "$preset" >/dev/null
    # What the zip holds, without the rest of `all` (the conformance suite) that the package target builds first.
    cmake --build --preset "$preset" --target vorlat gauge
    rm -f build/"$preset"/package/vorlat-*-windows-"$architecture".zip
    (cd build/"$preset" && cpack --config CPackConfig.cmake >/dev/null)
    for zip in build/"$preset"/package/vorlat-*-windows-"$architecture".zip; do
        tests/package/check_zip.sh "$zip"
        echo "$zip: $(stat -c %s "$zip") bytes"
    done
done
