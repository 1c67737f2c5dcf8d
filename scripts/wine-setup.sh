#!/usr/bin/env bash
# Makes Wine ready for one architecture under a directory of the caller's:
#   scripts/wine-setup.sh DIR 64|32
# creates DIR/win64 or DIR/win32 once (a prefix that finished booting is
# reused), without a display and with Wine's own messages off.
#
# The 32-bit leg needs the 32-bit Wine loader, an i386 ELF program. A kernel
# without 32-bit support runs it through qemu-i386-static registered with
# binfmt_misc; as root this script mounts binfmt_misc and registers it when
# the entry is missing.
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
runs_i386() { timeout 120 "$WINE32_LOADER" --version >/dev/null 2>&1; }

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

if [ "$arch" = 64 ]; then
    loader=$WINE64_LOADER winearch=win64
    [ -x "$loader" ] || skip "the 64-bit Wine loader $loader is missing (package wine64)"
else
    loader=$WINE32_LOADER winearch=win32
    [ -x "$loader" ] || skip "the 32-bit Wine loader $loader is missing (package wine32:i386)"
    ensure_i386_programs
fi

mkdir -p "$dir" || fail "cannot create $dir"
prefix=$(cd "$dir" && pwd)/$winearch
ready_mark=$prefix/.vorlat-ready
if [ -e "$ready_mark" ]; then
    say "prefix $prefix is ready"
    exit 0
fi

rm -rf "$prefix"
say "creating prefix $prefix (a 32-bit one takes minutes under qemu)"
start=$(date +%s)
(
    unset DISPLAY WAYLAND_DISPLAY
    export WINEPREFIX=$prefix WINEARCH=$winearch WINEDEBUG=-all WINELOADER=$loader
    # No Mono or Gecko installers: nothing here needs them, and they would ask.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    timeout 900 "$loader" wineboot -i && timeout 300 /usr/lib/wine/wineserver -w
) >"$dir/$winearch-setup.log" 2>&1 || fail "wineboot did not finish; see $dir/$winearch-setup.log"
[ -f "$prefix/system.reg" ] || fail "wineboot left no registry in $prefix; see $dir/$winearch-setup.log"
touch "$ready_mark"
say "prefix $prefix ready after $(($(date +%s) - start)) s"
