#!/usr/bin/env bash
# Checks a pilots' zip (cmake/Package.cmake): exactly the expected files in one
# top folder, both programs built for the zip's bitness, vorlat.exe needing no
# DLL beyond the system's, and the pilots' text files with Windows line ends.
#   tests/package/check_zip.sh vorlat-VERSION-windows-x64.zip
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 ZIP" >&2; exit 2; }
zip=$1
name=$(basename "$zip" .zip)
case "$name" in
    *-windows-x64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
    *-windows-x86) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
    *) echo "$zip: not a vorlat-VERSION-windows-x64|x86.zip" >&2; exit 2 ;;
esac
failures=0
fail() { echo "$zip: $*" >&2; failures=$((failures + 1)); }

expected=$(printf '%s\n' "$name/" "$name/README-pilots.txt" "$name/ZEK.vorlat.gau" "$name/licences/" \
    "$name/licences/CLI11-copyright.txt" "$name/licences/LiberationFonts-OFL-1.1.txt" \
    "$name/licences/nlohmann-json-copyright.txt" "$name/licences/stb-copyright.txt" \
    "$name/licences/uPlot-LICENSE.txt" "$name/report.cmd" "$name/vorlat.exe" | LC_ALL=C sort)
# Folders are listed only where the zip has entries of their own for them.
listed=$(zipinfo -1 "$zip" | LC_ALL=C sort)
missing=$(LC_ALL=C comm -23 <(grep -v '/$' <<<"$expected") <(grep -v '/$' <<<"$listed"))
extra=$(LC_ALL=C comm -13 <(grep -v '/$' <<<"$expected") <(grep -v '/$' <<<"$listed"))
[ -z "$missing" ] || fail "missing: $(tr '\n' ' ' <<<"$missing")"
[ -z "$extra" ] || fail "not expected: $(tr '\n' ' ' <<<"$extra")"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work"
top=$work/$name
for binary in vorlat.exe ZEK.vorlat.gau; do
    [ -f "$top/$binary" ] || continue
    "$objdump" -f "$top/$binary" | grep -q "file format $format" || fail "$binary is not $format"
done
if [ -f "$top/vorlat.exe" ]; then
    # The system's own DLLs only: the C and C++ runtimes are linked in.
    while read -r dll; do
        case "${dll,,}" in
            kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | shell32.dll | ole32.dll | api-ms-win-*) ;;
            *) fail "vorlat.exe needs $dll, which Windows does not provide" ;;
        esac
    done < <("$objdump" -p "$top/vorlat.exe" | sed -n 's/^\s*DLL Name: //p')
fi
for text in README-pilots.txt report.cmd; do
    [ -f "$top/$text" ] || continue
    # Every line ends in CR LF: no LF without its CR before it.
    if LC_ALL=C grep -q $'[^\r]$' "$top/$text" || LC_ALL=C grep -q '^$' "$top/$text"; then
        fail "$text has lines that do not end in CR LF"
    fi
done
[ $failures -eq 0 ] || exit 1
echo "$zip: $(grep -vc '/$' <<<"$listed") files as expected"
