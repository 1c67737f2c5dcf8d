#!/usr/bin/env bash
# Captures every command's outputs from vorlat.exe under Wine and from the
# native vorlat (scripts/compare-outputs.sh) and compares them byte for byte:
#   scripts/compare-windows.sh WINE_DIR 64|32 VORLAT.exe NATIVE_VORLAT OUTDIR
# WINE_DIR holds the prefix scripts/wine-setup.sh made (as for wine-run.sh).
# The differences are listed; the expected ones (log plot, which the Windows
# build does not have) are named as such.
set -uo pipefail

[ $# -eq 5 ] || { echo "usage: $0 WINE_DIR 64|32 VORLAT.exe NATIVE_VORLAT OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=$(realpath "$1") arch=$2 exe=$(realpath "$3") native=$(realpath "$4") out=$5
mkdir -p "$out"
out=$(realpath "$out")
wrapper=$out/vorlat-under-wine
cat >"$wrapper" <<WRAPPER
#!/usr/bin/env bash
exec "$here/scripts/wine-run.sh" "$wine_dir" "$arch" "$exe" "\$@"
WRAPPER
chmod +x "$wrapper"
rm -rf "$out/native" "$out/windows"
"$here/scripts/compare-outputs.sh" capture "$native" "$out/native"
"$here/scripts/compare-outputs.sh" capture "$wrapper" "$out/windows"
cd "$out"
same=0 expected=0 differ=0
while read -r file; do
    if cmp -s "native/$file" "windows/$file"; then
        same=$((same + 1))
    elif [[ $file == *.plot.* ]]; then
        expected=$((expected + 1))
    else
        differ=$((differ + 1))
        echo "differs: $file"
    fi
done < <(cd native && find . -type f | sed 's|^\./||' | sort)
while read -r file; do
    [ -e "native/$file" ] || [[ $file == *.plot.* ]] || { differ=$((differ + 1)); echo "only on Windows: $file"; }
done < <(cd windows && find . -type f | sed 's|^\./||' | sort)
echo "identical: $same, differ: $differ, expected (log plot): $expected"
[ $differ -eq 0 ]
