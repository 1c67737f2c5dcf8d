#!/usr/bin/env bash
# Makes Wine ready for one architecture under a directory of the caller's:
#   scripts/wine-setup.sh DIR 64|32
# creates the prefix DIR/win64 once (a prefix that finished booting is
# reused), without a display and with Wine's own messages off.
#
# 32-bit programs run in the same prefix, through its WoW64 half (the i386
# Wine libraries in syswow64, started by Wine's 32-bit loader). That loader is
# an i386 ELF program: a kernel without 32-bit support runs it through
# qemu-i386-static registered with binfmt_misc; as root this script mounts
# binfmt_misc and registers it when the entry is missing. A separate
# WINEARCH=win32 prefix is not used: under qemu its first boot crashed here
# ("could not load kernel32.dll", qemu signal 11) and left a prefix in which
# no program started, while the WoW64 half of the 64-bit prefix runs them.
#
# Without the host's wine32:i386 (it may not install: a mirror's i386 index
# out of step), 32-bit programs run in a Debian root with its own Wine
# (scripts/wine32-root.sh, made once per machine) and their own prefix
# DIR/win64-root; the project folder, DIR and the folders named in
# VORLAT_WINE32_BINDS (colon-separated) appear there at their own paths.
# VORLAT_WINE32_VIA_ROOT=1 takes that way even when the host has wine32.
#
# Exit codes: 0 ready, 77 skipped (the reason is printed: this machine cannot
# run that leg), 1 failed (the leg should have run and did not).
set -uo pipefail

SKIPPED=77
WINE64_LOADER=/usr/lib/wine/wine64
WINE32_LOADER=/usr/lib/wine/wine
BINFMT_DIR=/proc/sys/fs/binfmt_misc
QEMU_I386=/usr/bin/qemu-i386-static
# i386 ELF executables and shared objects (e_ident class 1, data 1; e_machine 3).
I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

usage() { echo "usage: $0 DIR 64|32" >&2; exit 2; }
[ $# -eq 2 ] || usage
dir=$1
arch=$2
case "$arch" in 64|32) ;; *) usage ;; esac

say() { echo "wine-setup ($arch-bit): $*" >&2; }
skip() { say "SKIPPED: $*"; exit "$SKIPPED"; }
fail() { say "FAILED: $*"; exit 1; }

# Can this machine start an i386 ELF program right now?
runs_i386() { timeout 120 "${in_wine[@]}" "$WINE32_LOADER" --version >/dev/null 2>&1; }

ensure_i386_programs() {
    runs_i386 && return 0
    if [ -e "$BINFMT_DIR/qemu-i386" ]; then
        fail "qemu-i386 is registered with binfmt_misc but the 32-bit Wine loader still does not start"
    fi
    [ "$(id -u)" -eq 0 ] || skip "this kernel cannot start 32-bit programs and registering qemu-i386 with binfmt_misc needs root"
    [ -x "$QEMU_I386" ] || skip "this kernel cannot start 32-bit programs and $QEMU_I386 is missing (package qemu-user-static)"
    if [ ! -e "$BINFMT_DIR/register" ]; then
        mount -t binfmt_misc binfmt_misc "$BINFMT_DIR" 2>/dev/null ||
            skip "this kernel cannot start 32-bit programs and binfmt_misc cannot be mounted on $BINFMT_DIR here"
    fi
    printf '%s' ":qemu-i386:M::${I386_MAGIC}:${I386_MASK}:${QEMU_I386}:F" >"$BINFMT_DIR/register" 2>/dev/null ||
        skip "binfmt_misc refused the qemu-i386 entry"
    say "registered $QEMU_I386 for i386 programs with binfmt_misc"
    runs_i386 || fail "qemu-i386 is registered but the 32-bit Wine loader does not start"
}

loader=$WINE64_LOADER winearch=win64
in_wine=()  # the command that runs a Wine program: nothing, or the Debian root's runner
source "$(dirname "$0")/wine-root-mode.sh"
if [ "$arch" = 32 ] && wine32_via_root; then
    root_reason=$("$(dirname "$0")/wine32-root.sh" ensure 2>&1 >/dev/null)
    root_rc=$?
    if [ "$root_rc" != 0 ]; then
        reason=$(printf '%s\n' "$root_reason" | sed -n 's/^wine32-root: \(SKIPPED\|FAILED\): //p' | tail -1)
        skip "the 32-bit Wine loader $WINE32_LOADER is missing (package wine32:i386) and no Debian root with one: ${reason:-see $0}"
    fi
    [ -z "$root_reason" ] || printf '%s\n' "$root_reason" >&2
    winearch=win64-root
    mkdir -p "$dir" || fail "cannot create $dir"
    wine32_root_command "$dir"
    say "32-bit programs run in the Debian root ${WINE32_ROOT_DIR}"
    ensure_i386_programs
elif [ "$arch" = 32 ]; then
    [ -x "$loader" ] || skip "the 64-bit Wine loader $loader is missing (package wine64)"
    [ -x "$WINE32_LOADER" ] || skip "the 32-bit Wine loader $WINE32_LOADER is missing (package wine32:i386)"
    ensure_i386_programs
elif ! [ -x "$loader" ]; then
    skip "the 64-bit Wine loader $loader is missing (package wine64)"
elif [ "$(id -u)" -eq 0 ] && [ -x "$WINE32_LOADER" ] && [ -x "$QEMU_I386" ]; then
    # Booting the prefix sets up its WoW64 half only when 32-bit programs start.
    (ensure_i386_programs) || say "the prefix gets no WoW64 half: 32-bit programs cannot start here"
fi

mkdir -p "$dir" || fail "cannot create $dir"
prefix=$(cd "$dir" && pwd)/$winearch  # WINEARCH stays win64: the name only tells the two prefixes apart
ready_mark=$prefix/.vorlat-ready
wow64_mark=$prefix/drive_c/windows/syswow64/kernel32.dll
# Two callers may ask at once (the 32-bit and the 64-bit leg): one boots, the other waits.
exec 9>"$dir/.setup.lock"
flock 9
if [ -e "$ready_mark" ]; then
    if [ "$arch" = 32 ] && [ ! -e "$wow64_mark" ]; then
        fail "prefix $prefix has no WoW64 half (it was made while 32-bit programs could not start); remove it"
    fi
    say "prefix $prefix is ready"
    exit 0
fi

rm -rf "$prefix"
say "creating prefix $prefix (its WoW64 half boots under qemu: about two minutes)"
start=$(date +%s)
(
    unset DISPLAY WAYLAND_DISPLAY
    export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINELOADER=$loader
    # No Mono or Gecko installers: nothing here needs them, and they would ask.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Wine processes outlive this script: they must not hold the set-up lock.
    timeout 1200 "${in_wine[@]}" sh -c "$loader wineboot -i && /usr/lib/wine/wineserver -w"
) 9>&- >"$dir/$winearch-setup.log" 2>&1 || fail "wineboot did not finish; see $dir/$winearch-setup.log"
[ -f "$prefix/system.reg" ] || fail "wineboot left no registry in $prefix; see $dir/$winearch-setup.log"
[ "$arch" = 64 ] || [ -e "$wow64_mark" ] || fail "wineboot set up no WoW64 half in $prefix; see $dir/$winearch-setup.log"
touch "$ready_mark"
say "prefix $prefix ready after $(($(date +%s) - start)) s"
