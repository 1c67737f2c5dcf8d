#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the Windows legs need.
# Usage: scripts/install-deps.sh [native|all]   (default: all)
# Idempotent: packages already present are skipped, so a warm machine pays nothing.
#
# A mirror in mid-sync often serves one package index out of step (seen: the
# i386 security index). `apt-get update` is retried a few times and then the
# install itself is the judge: the native packages must install (exit 1
# otherwise), while the Windows packages are each group's own affair; a group
# that cannot be installed is reported and its legs skip with the reason.
set -uo pipefail

want=${1:-all}

native_pkgs=(
  cmake g++ make ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libcairo2-dev libstb-dev fonts-liberation2
  libplplot-dev plplot-driver-cairo nlohmann-json3-dev
  locales binutils
  miller hyperfine
  clang libclang-rt-14-dev
  chromium openssl
)
windows_pkgs=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 qemu-user-static debootstrap unzip
)
windows_i386_pkgs=(wine32:i386)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

say() { echo "install-deps: $*" >&2; }

missing() {
  local p out=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || out+=("$p")
  done
  echo "${out[@]:-}"
}

updated=0
apt_update() {
  [ "$updated" = 1 ] && return 0
  updated=1
  local try
  for try in 1 2 3; do
    "${sudo_cmd[@]}" apt-get update -qq && return 0
    say "apt-get update failed (try $try of 3)"
    [ "$try" = 3 ] || sleep $((try * 5))
  done
  say "going on with the package indexes apt has; the install decides what is missing"
}

# install GROUP PACKAGES... -> 0 when every package is there afterwards
install_group() {
  local group=$1; shift
  local todo
  todo=$(missing "$@")
  [ -z "$todo" ] && return 0
  say "installing ($group): $todo"
  apt_update
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends $todo >/dev/null
  todo=$(missing "$@")
  [ -z "$todo" ] && return 0
  say "could not install ($group): $todo"
  return 1
}

pkgs=("${native_pkgs[@]}")
# The report's chart library comes from the npm registry: npm only when the machine has none.
command -v npm >/dev/null || pkgs+=(npm)
install_group native "${pkgs[@]}" || { say "the native build cannot go on without these"; exit 1; }

if [ "$want" = all ]; then
  install_group windows "${windows_pkgs[@]}" ||
    say "the Windows legs that need them will be skipped with the reason"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    updated=0
  fi
  install_group "32-bit Wine" "${windows_i386_pkgs[@]}" ||
    say "32-bit Wine is not installable on this machine's package state; the 32-bit leg tries its own root"
fi

# A comma-decimal locale for the locale test.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  if [ -f /etc/locale.gen ]; then
    "${sudo_cmd[@]}" sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
    "${sudo_cmd[@]}" locale-gen >/dev/null 2>&1 || true
  fi
fi

# The chart library the flight report embeds, checked against its pinned hash.
bash "$(dirname "$0")/fetch-web-deps.sh" || { say "fetching the report's chart library failed"; exit 1; }
