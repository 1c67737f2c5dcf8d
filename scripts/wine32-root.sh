#!/usr/bin/env bash
# A 32-bit Wine that does not depend on the host's package state: a minimal
# Debian root with wine, wine64 and wine32:i386 from the main archive only,
# made once per machine and kept under ~/.cache/vorlat/wine32-root.
#   scripts/wine32-root.sh ensure          makes the root when missing; prints its path
#   scripts/wine32-root.sh run DIR... -- COMMAND [ARGS...]
#                                          runs COMMAND in the root, with /proc, /dev,
#                                          /sys, /tmp and each DIR at the same path inside
# VORLAT_WINE32_ROOT moves the root; VORLAT_WINE32_MIRROR names another
# Debian mirror than the first of the host's apt sources.
#
# Used when the host cannot install wine32:i386 (seen: the i386 security index
# out of step with the amd64 one). The root takes its mirror from the host's
# apt sources and only the suite's main archive, so its packages always agree
# with each other. The mounts live in a private mount namespace of the run:
# they go away with it, whatever the command does, and the host never sees them.
#
# Exit codes of ensure: 0 ready, 77 skipped (the reason is printed), 1 failed.
# run exits with COMMAND's exit code.
set -uo pipefail

SKIPPED=77
ROOT=${VORLAT_WINE32_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/vorlat/wine32-root}
COMPLETE_MARK=.vorlat-complete
WINE_PACKAGES=(wine wine64 wine32:i386)

say() { echo "wine32-root: $*" >&2; }
skip() { say "SKIPPED: $*"; exit "$SKIPPED"; }
fail() { say "FAILED: $*"; exit 1; }

# The first Debian archive URL in the host's apt sources (one-line or deb822 form).
host_mirror() {
    local files=() f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && files+=("$f")
    done
    [ ${#files[@]} -gt 0 ] || return 1
    { sed -n 's/^deb \(\[[^]]*\] \)\{0,1\}\([a-z]*:\/\/[^ ]*\) .*/\2/p' "${files[@]}"
      sed -n 's/^URIs: *\([^ ]*\).*/\1/p' "${files[@]}"; } |
        grep -v -e '-security' -e 'security\.' | grep '/debian/\{0,1\}$' | head -1
}

host_suite() { . /etc/os-release && echo "${VERSION_CODENAME:-}"; }

ensure() {
    [ -e "$ROOT/$COMPLETE_MARK" ] && { echo "$ROOT"; return 0; }
    [ "$(id -u)" -eq 0 ] || skip "making a Debian root needs root"
    command -v debootstrap >/dev/null || skip "debootstrap is missing (package debootstrap)"
    local mirror suite
    mirror=${VORLAT_WINE32_MIRROR:-$(host_mirror)}
    suite=$(host_suite) || true
    [ -n "$mirror" ] || skip "no Debian mirror found in the host's apt sources"
    [ -n "$suite" ] || skip "no release name in /etc/os-release"
    mkdir -p "$(dirname "$ROOT")" || fail "cannot create $(dirname "$ROOT")"
    # Two legs may ask at once: one makes the root, the other waits for it.
    exec 8>"$ROOT.lock"
    flock 8
    [ -e "$ROOT/$COMPLETE_MARK" ] && { echo "$ROOT"; return 0; }
    local partial=$ROOT.partial log=$ROOT.log start
    start=$(date +%s)
    rm -rf "$partial" "$ROOT"
    say "making $ROOT from $mirror $suite (once per machine: a few minutes, about 1.7 GB); log $log"
    debootstrap --variant=minbase "$suite" "$partial" "$mirror" >"$log" 2>&1 ||
        fail "debootstrap did not finish; see $log"
    # Only the main archive: debootstrap's sources.list names just the suite.
    in_root "$partial" sh -c "dpkg --add-architecture i386 && apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ${WINE_PACKAGES[*]} &&
        apt-get clean" >>"$log" 2>&1 || fail "installing ${WINE_PACKAGES[*]} in the root failed; see $log"
    [ -x "$partial/usr/lib/wine/wine" ] || fail "the root has no 32-bit Wine loader; see $log"
    touch "$partial/$COMPLETE_MARK"
    mv "$partial" "$ROOT" || fail "cannot move $partial to $ROOT"
    say "root ready after $(($(date +%s) - start)) s, $(du -sh "$ROOT" | cut -f1)"
    echo "$ROOT"
}

# in_root ROOT [--bind DIR]... COMMAND...: COMMAND inside ROOT in a private mount namespace.
in_root() {
    local root=$1; shift
    local binds=(/proc /dev /sys /tmp) more=()
    local path
    while [ "${1:-}" = --bind ]; do
        path=$(realpath -m "$2")
        shift 2
        # Never the root's own ancestors: "/" or the cache would hold the root inside itself.
        case "$(realpath -m "$root")/" in "${path%/}"/*) continue ;; esac
        more+=("$path")
    done
    # Outer folders first: a folder bound later inside one bound earlier stays visible.
    if [ ${#more[@]} -gt 0 ]; then
        mapfile -t more < <(printf '%s\n' "${more[@]}" | awk '{ print length, $0 }' | sort -n -u | cut -d' ' -f2-)
        binds+=("${more[@]}")
    fi
    unshare --mount --propagation private sh -c '
        root=$1; shift
        while [ "$1" != -- ]; do
            mkdir -p "$root$1" && mount --rbind "$1" "$root$1" || exit 125
            shift
        done
        shift
        cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
        # chroot keeps the folder of the outside: enter the same path inside, where it is bound.
        exec chroot "$root" sh -c '\''cd "$1" || exit 125; shift; exec "$@"'\'' in-root-folder "$PWD" "$@"' \
        in-root "$root" "${binds[@]}" -- "$@"
}

case "${1:-}" in
    ensure) ensure ;;
    run)
        shift
        [ -e "$ROOT/$COMPLETE_MARK" ] || { say "no complete root at $ROOT (run: $0 ensure)"; exit 2; }
        bind_args=()
        while [ $# -gt 0 ] && [ "$1" != -- ]; do bind_args+=(--bind "$1"); shift; done
        [ "${1:-}" = -- ] && [ $# -ge 2 ] || { echo "usage: $0 run DIR... -- COMMAND [ARGS...]" >&2; exit 2; }
        shift
        in_root "$ROOT" "${bind_args[@]}" "$@" ;;
    *) echo "usage: $0 ensure | run DIR... -- COMMAND [ARGS...]" >&2; exit 2 ;;
esac
