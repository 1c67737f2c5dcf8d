# Sourced by scripts/wine-setup.sh and scripts/wine-run.sh: whether 32-bit
# programs run in the Debian root of scripts/wine32-root.sh, and the command
# that runs a program there.

# True when the host has no 32-bit Wine loader, or VORLAT_WINE32_VIA_ROOT=1 asks for the root.
wine32_via_root() { [ "${VORLAT_WINE32_VIA_ROOT:-0}" = 1 ] || [ ! -x /usr/lib/wine/wine ]; }

# Sets in_wine to the command prefix that runs a program in the root, with the
# project folder, the Wine folder DIR, the current folder and the folders of
# VORLAT_WINE32_BINDS at their own paths; WINE32_ROOT_DIR to the root.
wine32_root_command() {  # DIR
    local project extra=()
    project=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    [ -z "${VORLAT_WINE32_BINDS:-}" ] || IFS=: read -ra extra <<<"$VORLAT_WINE32_BINDS"
    in_wine=("$project/scripts/wine32-root.sh" run "$project" "$1" "$PWD" "${extra[@]}" --)
    WINE32_ROOT_DIR=${VORLAT_WINE32_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/vorlat/wine32-root}
}
