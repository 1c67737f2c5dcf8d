#!/usr/bin/env bash
# Runs one Windows program in the prefix made by scripts/wine-setup.sh:
#   scripts/wine-run.sh DIR 64|32 PROGRAM.exe [ARGS...]
# with Wine's own messages off and no display. 32-bit programs start through
# Wine's 32-bit loader in the prefix's WoW64 half, or in the Debian root's
# Wine when the host has none (scripts/wine-setup.sh says which); the Wine
# server of a run in the root is stopped before the run's mounts go.
# The exit code is the program's.
set -uo pipefail

[ $# -ge 3 ] || { echo "usage: $0 DIR 64|32 PROGRAM.exe [ARGS...]" >&2; exit 2; }
dir=$1 arch=$2
shift 2
case "$arch" in
    64) loader=/usr/lib/wine/wine64 winearch=win64 ;;
    32) loader=/usr/lib/wine/wine winearch=win64 ;;
    *) echo "$0: architecture must be 64 or 32" >&2; exit 2 ;;
esac
in_wine=()
source "$(dirname "$0")/wine-root-mode.sh"
if [ "$arch" = 32 ] && wine32_via_root; then
    winearch=win64-root
    wine32_root_command "$dir"
fi
prefix=$(cd "$dir" && pwd)/$winearch
[ -e "$prefix/.vorlat-ready" ] || { echo "$0: no ready prefix at $prefix (run scripts/wine-setup.sh first)" >&2; exit 2; }

unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINELOADER=$loader
export WINEDLLOVERRIDES="mscoree,mshtml="
[ ${#in_wine[@]} -gt 0 ] || exec "$loader" "$@"
exec "${in_wine[@]}" sh -c '"$@"; status=$?; /usr/lib/wine/wineserver -k 2>/dev/null; exit $status' wine-run "$loader" "$@"
