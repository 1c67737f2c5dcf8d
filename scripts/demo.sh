#!/usr/bin/env bash
# The main job: build the module and the stand-in host, fly the built-in flight
# with the real module, and leave the log, its summary, pictures and the HTML
# report in out/demo/. Installs what is missing. With --docs it also refreshes
# docs/panel.png, docs/flight.png, docs/compare.png and docs/report.png (the
# report in headless Chromium), the pictures the README shows.
set -euo pipefail
cd "$(dirname "$0")/.."
docs=0
if [ "${1:-}" = --docs ]; then docs=1; shift; fi
bash scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native -j "${VORLAT_JOBS:-2}" --target gauge vorlat
vorlat=build/native/program/vorlat
out=out/demo
mkdir -p "$out"
# 140 s: the stall (red AoA, the stall disc); 151.5 s: the pull-out, g load in the red.
# --force: a rerun of the demo replaces its own earlier log in out/demo.
"$vorlat" fly --out "$out" --force --png panel.png --png-at 140:panel-stall.png --png-at 151.5:panel-recovery.png "$@"
"$vorlat" log summary "$out/data_log.txt" | tee "$out/summary.txt"
"$vorlat" log plot "$out/data_log.txt" -o "$out/flight.png"
"$vorlat" log report "$out/data_log.txt" -o "$out/report.html"
if [ "$docs" = 1 ]; then
  cp "$out/panel-recovery.png" docs/panel.png
  cp "$out/panel-stall.png" docs/panel-stall.png
  cp "$out/flight.png" docs/flight.png
  cp "$out/summary.txt" docs/flight-summary.txt
  # The README's comparison of two press plans, made as the README shows it.
  "$vorlat" fly --out "$out/run1" --force >/dev/null
  "$vorlat" fly --out "$out/run2" --force --no-flight-presses --press 20:record --press 200:record >/dev/null
  "$vorlat" log plot "$out/run1/data_log.txt" "$out/run2/data_log.txt" -o docs/compare.png
  # The report with the cursor at the pull-out, the network shut out (its own namespace when root).
  isolate=()
  if [ "$(id -u)" = 0 ]; then isolate=(unshare -n); fi
  profile=$(mktemp -d)
  "${isolate[@]}" chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --host-resolver-rules='MAP * ~NOTFOUND' --proxy-server=127.0.0.1:9 \
    --user-data-dir="$profile" --virtual-time-budget=10000 --window-size=1400,1000 \
    --screenshot="$PWD/docs/report.png" "file://$PWD/$out/report.html#t=151.5" 2>/dev/null
  rm -rf "$profile"
fi
echo "demo: data_log.txt, summary.txt, panel.png, panel-stall.png, panel-recovery.png, flight.png and report.html are in $out/" >&2
