#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset: clang with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60), then
# prints the executions, coverage and findings per target. Then flies the
# built-in flight once with the vorlat program and the module of the same build
# (`ubsan-fly`): clang's "undefined" includes its function check, which stops a
# call through a function pointer of another type than the function's, such as
# a host service that does not have exactly its slot's type. Exits 1 on any
# finding, a failed flight or a failed build, 2 on bad usage.
#
# Usage: scripts/fuzz.sh [SECONDS] [--only TARGET]... [--no-build] [--summary FILE]
#   --only TARGET   run this target only (repeatable)
#   --no-build      run what is built already (two runs side by side share one build)
#   --summary FILE  append "fuzz CLEAN FOUND 0": targets clean, targets with findings,
#                   and "ubsan-fly 1 0 0" or "ubsan-fly 0 1 0"
#
# The targets are those tests/fuzz/CMakeLists.txt declares (listed in
# build/fuzz/tests/fuzz/targets.txt): a new parser's target runs here as soon
# as it is declared there.
# Each runs on its growing corpus build/fuzz/corpus/TARGET, seeded from the
# committed tests/fuzz/corpus/TARGET (or corpus/log for log_tolerant and
# log_strict: the folder of the name's first word). An input that broke a
# target is kept in build/fuzz/findings/TARGET/, its log in build/fuzz/logs/;
# reproduce it with build/fuzz/tests/fuzz/fuzz_TARGET FILE.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=60
only=()
build=1
summary=""
timeout=${VORLAT_FUZZ_TIMEOUT:-10}  # seconds one input may take before it counts as a finding
while [ $# -gt 0 ]; do
  case "$1" in
    --only) [ $# -ge 2 ] || { echo "fuzz: --only needs a target" >&2; exit 2; }; only+=("$2"); shift 2 ;;
    --no-build) build=0; shift ;;
    --summary) [ $# -ge 2 ] || { echo "fuzz: --summary needs a file" >&2; exit 2; }; summary=$2; shift 2 ;;
    -h|--help) sed -n '2,24p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *[!0-9]*|'') echo "fuzz: unknown argument \"$1\" (expected SECONDS, --only, --no-build or --summary)" >&2; exit 2 ;;
    *) seconds=$1; shift ;;
  esac
done
[ "$seconds" -gt 0 ] || { echo "fuzz: SECONDS must be 1 or more" >&2; exit 2; }

out=build/fuzz
if [ "$build" = 1 ]; then
  echo "== fuzz: configure and build the fuzz preset" >&2
  if ! { [ -f "$out/CMakeCache.txt" ] || cmake --preset fuzz >/dev/null; }; then
    echo "fuzz: configuring the fuzz preset failed" >&2
    [ -z "$summary" ] || echo "fuzz 0 1 0" >> "$summary"
    exit 1
  fi
  # Every target that builds runs; one that does not is reported below as failed.
  rm -f "$out"/tests/fuzz/fuzz_*
  cmake --build "$out" -j "${VORLAT_JOBS:-2}" --target fuzz_targets -- -k 0 >&2 ||
    echo "fuzz: some fuzz targets did not build" >&2
  rm -f "$out/program/vorlat"
  cmake --build "$out" -j "${VORLAT_JOBS:-2}" --target vorlat gauge >&2 ||
    echo "fuzz: the vorlat program or the module did not build" >&2
fi

# ubsan-fly: the built-in flight, end to end, in a scratch folder. Prints the outcome; 0 when it flew clean.
fly_once() {
  local program=$PWD/$out/program/vorlat log=$out/logs/ubsan-fly.log work rc
  mkdir -p "$out/logs"
  [ -x "$program" ] || { echo "fuzz: ubsan-fly: the vorlat program was not built" >&2; return 1; }
  work=$(mktemp -d)
  echo "== fuzz: ubsan-fly: the built-in flight under AddressSanitizer and UndefinedBehaviorSanitizer" >&2
  (cd "$work" && UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$program" fly --out flight) > "$log" 2>&1
  rc=$?
  rm -rf "$work"
  if [ "$rc" = 0 ] && ! grep -q -e 'runtime error' -e 'Sanitizer' "$log"; then
    echo "fuzz: ubsan-fly: the built-in flight flew clean" >&2; return 0
  fi
  echo "fuzz: ubsan-fly: FAILED (exit code $rc); see $log" >&2
  grep -m5 -e 'runtime error' -e 'ERROR' "$log" >&2
  return 1
}
[ -f "$out/tests/fuzz/targets.txt" ] || { echo "fuzz: no targets built in $out (run without --no-build)" >&2; exit 1; }
mapfile -t declared < "$out/tests/fuzz/targets.txt"
if [ ${#only[@]} -gt 0 ]; then
  for name in "${only[@]}"; do
    printf '%s\n' "${declared[@]}" | grep -qx "$name" || {
      echo "fuzz: no target \"$name\" (targets: ${declared[*]})" >&2; exit 2; }
  done
  targets=("${only[@]}")
else
  targets=("${declared[@]}")
fi

# The last value of a libFuzzer statistic in a log: "cov: 812" -> 812.
last_stat() { grep -o "$1: *[0-9]*" "$2" | tail -1 | grep -o '[0-9]*$'; }

clean=0; broken=0; total_runs=0
rows=()
for name in "${targets[@]}"; do
  binary=$out/tests/fuzz/fuzz_$name corpus=$out/corpus/$name findings=$out/findings/$name log=$out/logs/$name.log
  mkdir -p "$corpus" "$findings" "$out/logs"
  seeds=tests/fuzz/corpus/$name
  [ -d "$seeds" ] || seeds=tests/fuzz/corpus/${name%%_*}  # log_strict and log_tolerant share corpus/log
  [ -d "$seeds" ] || seeds=""
  if [ ! -x "$binary" ]; then
    rows+=("$(printf '%-16s %12s %8s %8s %8s' "$name" "not built" - - 1)")
    broken=$((broken + 1)); continue
  fi
  before=$(find "$findings" -type f | wc -l)
  echo "== fuzz: $name for $seconds s" >&2
  # Inputs longer than a trace needs to say anything would only slow every run.
  case $name in trace) max_len=(-max_len=16384) ;; *) max_len=() ;; esac
  "$binary" -max_total_time="$seconds" -timeout="$timeout" -print_final_stats=1 "${max_len[@]}" \
    -artifact_prefix="$findings/" "$corpus" ${seeds:+"$seeds"} > "$log" 2>&1
  rc=$?
  runs=$(last_stat stat::number_of_executed_units "$log")
  [ -n "$runs" ] || runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)
  runs=${runs:-0}
  found=$(( $(find "$findings" -type f | wc -l) - before ))
  if [ "$rc" != 0 ] && [ "$found" = 0 ]; then found=1; fi  # died without leaving its input: still a finding
  rows+=("$(printf '%-16s %12s %8s %8s %8s' "$name" "$runs" "$(last_stat cov "$log")" "$(last_stat ft "$log")" "$found")")
  total_runs=$((total_runs + runs))
  if [ "$found" = 0 ]; then clean=$((clean + 1)); else
    broken=$((broken + 1))
    echo "fuzz: $name: finding; see $log and $findings/" >&2
    grep -m3 -E 'ERROR|fuzz finding|runtime error|Test unit written' "$log" >&2
  fi
done

printf '%-16s %12s %8s %8s %8s\n' target executions cov ft findings
printf '%s\n' "${rows[@]}"
echo "fuzz: ${#targets[@]} targets, $total_runs executions, $broken with findings"
[ -z "$summary" ] || echo "fuzz $clean $broken 0" >> "$summary"

if fly_once; then flew="1 0 0"; else flew="0 1 0"; fi
[ -z "$summary" ] || echo "ubsan-fly $flew" >> "$summary"
[ "$broken" = 0 ] && [ "$flew" = "1 0 0" ]
