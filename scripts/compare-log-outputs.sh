#!/usr/bin/env bash
# Records what the log commands say about every committed fuzz seed log and a
# freshly flown demo log: the output, the messages and the exit code of
# `log summary`, `log summary --json` and `log csv`, one file each. Run it on a
# build before a change to the reader and after it, then compare the folders:
#
#   scripts/compare-log-outputs.sh /tmp/before build/native/host/cli/vorlat   # untouched build
#   ... change, rebuild ...
#   scripts/compare-log-outputs.sh /tmp/after build/native/host/cli/vorlat
#   diff -r /tmp/before /tmp/after && echo identical
#
# Usage: scripts/compare-log-outputs.sh OUT_DIR [VORLAT] [LOG_DIR]
#   OUT_DIR  created (must not exist yet, so no earlier record is overwritten)
#   VORLAT   the program to run (default build/native/host/cli/vorlat)
#   LOG_DIR  the logs to read (default tests/fuzz/corpus/log)
# Exits 0 once everything is recorded (whatever the commands' own exit codes), 2 on bad usage.
set -uo pipefail
cd "$(dirname "$0")/.."

[ $# -ge 1 ] && [ $# -le 3 ] || { sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }
out=$1
vorlat=${2:-build/native/host/cli/vorlat}
logs=${3:-tests/fuzz/corpus/log}
[ -x "$vorlat" ] || { echo "compare-log-outputs: no program at $vorlat" >&2; exit 2; }
[ -d "$logs" ] || { echo "compare-log-outputs: no folder $logs" >&2; exit 2; }
[ ! -e "$out" ] || { echo "compare-log-outputs: $out exists already; name a new folder" >&2; exit 2; }
mkdir -p "$out/demo-flight"

# The demo flight: the built-in flight of the real module, which writes its log under --out.
"$vorlat" fly --out "$out/demo-flight" > "$out/demo-flight.fly.out" 2> "$out/demo-flight.fly.err"
echo $? > "$out/demo-flight.fly.rc"
demo=$(find "$out/demo-flight" -type f -name 'data_log.txt' | head -1)
[ -n "$demo" ] || echo "compare-log-outputs: the demo flight left no data_log.txt (see $out/demo-flight.fly.err)" >&2

inputs=("$logs"/*)
[ -n "$demo" ] && inputs+=("$demo")
for log in "${inputs[@]}"; do
  [ -f "$log" ] || continue
  name=$(basename "$log")
  [ "$log" = "$demo" ] && name=demo-flight.log
  # Messages name the file: run from its folder so the name is the same wherever OUT_DIR is.
  dir=$(cd "$(dirname "$log")" && pwd) base=$(basename "$log") program=$(realpath "$vorlat")
  (cd "$dir" && "$program" log summary "$base") > "$out/$name.summary.out" 2> "$out/$name.summary.err"
  echo $? > "$out/$name.summary.rc"
  (cd "$dir" && "$program" log summary --json "$base") > "$out/$name.json.out" 2> "$out/$name.json.err"
  echo $? > "$out/$name.json.rc"
  (cd "$dir" && "$program" log csv "$base") > "$out/$name.csv.out" 2> "$out/$name.csv.err"
  echo $? > "$out/$name.csv.rc"
done
# The demo's folder may hold files with times in them: only its log and the readings of it stay.
[ -n "$demo" ] && cp "$demo" "$out/demo-flight.log.input"
rm -rf "$out/demo-flight" "$out/demo-flight.fly.out"  # it names OUT_DIR
echo "compare-log-outputs: ${#inputs[@]} logs recorded in $out" >&2
