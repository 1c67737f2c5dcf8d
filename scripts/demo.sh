#!/usr/bin/env bash
# The main job: build the module and the stand-in host, fly the built-in flight
# with the real module, and leave the log, its summary and pictures in out/demo/.
# Installs what is missing. With --docs it also refreshes docs/panel.png,
# docs/flight.png and docs/compare.png, the pictures the README shows.
set -euo pipefail
cd "$(dirname "$0")/.."
docs=0
if [ "${1:-}" = --docs ]; then docs=1; shift; fi
bash scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j "${VORLAT_JOBS:-2}" --target gauge vorlat
vorlat=build/native/host/cli/vorlat
out=out/demo
mkdir -p "$out"
# 140 s: the stall (red AoA, the stall disc); 151.5 s: the pull-out, g load in the red.
"$vorlat" fly --out "$out" --png panel.png --png-at 140:panel-stall.png --png-at 151.5:panel-recovery.png "$@"
"$vorlat" log summary "$out/data_log.txt" | tee "$out/summary.txt"
"$vorlat" log plot "$out/data_log.txt" -o "$out/flight.png"
if [ "$docs" = 1 ]; then
  cp "$out/panel-recovery.png" docs/panel.png
  cp "$out/panel-stall.png" docs/panel-stall.png
  cp "$out/flight.png" docs/flight.png
  cp "$out/summary.txt" docs/flight-summary.txt
  # The README's comparison of two press plans, made as the README shows it.
  "$vorlat" fly --out "$out/run1" >/dev/null
  "$vorlat" fly --out "$out/run2" --no-flight-presses --press 20:record --press 200:record >/dev/null
  "$vorlat" log plot "$out/run1/data_log.txt" "$out/run2/data_log.txt" -o docs/compare.png
fi
echo "demo: data_log.txt, summary.txt, panel.png, panel-stall.png, panel-recovery.png and flight.png are in $out/" >&2
