#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the Windows legs need.
# Usage: scripts/install-deps.sh [native|all]   (default: all)
# Idempotent: packages already present are skipped, so a warm machine pays nothing.
set -euo pipefail

want=${1:-all}

native_pkgs=(
  cmake g++ make ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libcairo2-dev libfontconfig-dev fonts-liberation2
  libplplot-dev plplot-driver-cairo
  locales binutils
  miller hyperfine
  clang libclang-rt-14-dev
  chromium openssl
)
windows_pkgs=(
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 qemu-user-static
)
windows_i386_pkgs=(wine32:i386)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing() {
  local p out=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || out+=("$p")
  done
  echo "${out[@]:-}"
}

pkgs=("${native_pkgs[@]}")
if [ "$want" = all ]; then
  pkgs+=("${windows_pkgs[@]}")
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
    need_update=1
  fi
  pkgs+=("${windows_i386_pkgs[@]}")
fi

# The report's chart library comes from the npm registry: npm only when the machine has none.
command -v npm >/dev/null || pkgs+=(npm)

todo=$(missing "${pkgs[@]}")
if [ -n "$todo" ]; then
  echo "install-deps: installing: $todo" >&2
  "${sudo_cmd[@]}" apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends $todo >/dev/null
elif [ "${need_update:-0}" = 1 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
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
bash "$(dirname "$0")/fetch-web-deps.sh"
