#!/usr/bin/env bash
# The main job: build the module and the stand-in host, fly the built-in flight
# with the real module, and leave the log, its summary and pictures in out/demo/.
# Installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j "${VORLAT_JOBS:-2}" --target gauge vorlat
vorlat=build/native/host/cli/vorlat
out=out/demo
mkdir -p "$out"
"$vorlat" fly --out "$out" --png panel.png "$@"
"$vorlat" log summary "$out/data_log.txt"
"$vorlat" log plot "$out/data_log.txt" -o "$out/flight.png"
echo "demo: the log, panel.png and flight.png are in $out/" >&2
