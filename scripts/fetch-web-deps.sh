#!/usr/bin/env bash
# Fetches the chart library the flight report embeds (uPlot, from the npm
# registry) into a cache folder outside the sources, checks the package's
# integrity hash against the pinned one, and unpacks the two files the build
# embeds into the vorlat program. Idempotent: a checked copy is kept.
# Usage: scripts/fetch-web-deps.sh [CACHE_DIR]   (default: $VORLAT_CACHE or ~/.cache/vorlat)
set -euo pipefail

# The pinned package: name, version and the registry's sha512 integrity.
package=uplot
version=1.6.32
integrity=sha512-KIMVnG68zvu5XXUbC4LQEPnhwOxBuLyW1AHtpm6IKTXImkbLgkMy+jabjLgSLMasNuGGzQm/ep3tOkyTxpiQIw==

cache=${1:-${VORLAT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vorlat}}
target="$cache/$package-$version"
wanted=("dist/uPlot.iife.min.js" "dist/uPlot.min.css" "LICENSE")

have_all() {
  local f
  for f in "${wanted[@]}"; do [ -s "$target/$f" ] || return 1; done
  [ "$(cat "$target/.integrity" 2>/dev/null)" = "$integrity" ]
}
if have_all; then exit 0; fi

if ! command -v npm >/dev/null; then
  echo "fetch-web-deps: npm is missing (install-deps.sh installs it)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "$package@$version" >/dev/null)
tarball="$work/$package-$version.tgz"
actual="sha512-$(openssl dgst -sha512 -binary "$tarball" | base64 -w0)"
if [ "$actual" != "$integrity" ]; then
  echo "fetch-web-deps: $package@$version does not match its pinned integrity" >&2
  echo "  expected $integrity" >&2
  echo "  got      $actual" >&2
  exit 1
fi
tar -xzf "$tarball" -C "$work"
rm -rf "$target.new"
mkdir -p "$target.new/dist"
for f in "${wanted[@]}"; do cp "$work/package/$f" "$target.new/$f"; done
echo "$integrity" > "$target.new/.integrity"
rm -rf "$target"
mv "$target.new" "$target"
echo "fetch-web-deps: $package@$version in $target" >&2
