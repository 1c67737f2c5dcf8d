#!/usr/bin/env bash
# The whole test suite: native build and tests, a Release build (built, not
# tested again: it catches what the optimiser's warnings find), the sanitizer
# build and tests,
# every fuzz target for a short while (scripts/fuzz.sh, VORLAT_FUZZ_SECONDS each,
# default 20), then the Windows legs (32-bit and 64-bit DLLs under Wine).
# Installs what is missing.
# Usage: scripts/test-all.sh [--no-windows] [--no-release] [--no-asan] [--no-fuzz]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

run_windows=1
run_release=1
run_asan=1
run_fuzz=1
for arg in "$@"; do
  case "$arg" in
    --no-windows) run_windows=0 ;;
    --no-release) run_release=0 ;;
    --no-asan) run_asan=0 ;;
    --no-fuzz) run_fuzz=0 ;;
    *) echo "test-all: unknown option $arg" >&2; exit 2 ;;
  esac
done

if [ "$run_windows" = 1 ]; then bash scripts/install-deps.sh all; else bash scripts/install-deps.sh native; fi || {
  echo "test-all: installing the build dependencies failed" >&2; exit 1; }

results=()     # one "name passed failed skipped" per leg
overall=0
jobs=${VORLAT_JOBS:-2}

# Runs one ctest preset and records its counts from the JUnit report.
ctest_leg() {
  local preset=$1 junit="$root/build/$1/junit.xml"
  echo "== $preset: configure and build" >&2
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset" -j "$jobs"; then
    echo "test-all: $preset build failed" >&2
    results+=("$preset 0 1 0"); overall=1; return
  fi
  echo "== $preset: tests" >&2
  rm -f "$junit"
  ctest --preset "$preset" -j "$jobs" --output-junit "$junit" || overall=1
  if [ ! -f "$junit" ]; then results+=("$preset 0 1 0"); overall=1; return; fi
  results+=("$preset $(python3 - "$junit" <<'PY'
import sys, xml.etree.ElementTree as ET
suite = ET.parse(sys.argv[1]).getroot()
tests = int(suite.get("tests", 0)); failed = int(suite.get("failures", 0)) + int(suite.get("errors", 0))
skipped = int(suite.get("skipped", 0)) + int(suite.get("disabled", 0))
print(tests - failed - skipped, failed, skipped)
PY
)")
}

# Configures and builds one preset, whole: one leg, passed or failed.
build_leg() {
  local preset=$1
  echo "== $preset: configure and build" >&2
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs"; then
    results+=("$preset 1 0 0")
  else
    echo "test-all: $preset build failed" >&2
    results+=("$preset 0 1 0"); overall=1
  fi
}

ctest_leg native
if [ "$run_release" = 1 ]; then build_leg release; fi
if [ "$run_asan" = 1 ]; then ctest_leg asan; fi
if [ "$run_fuzz" = 1 ]; then
  fuzz_summary=$(mktemp)
  bash scripts/fuzz.sh "${VORLAT_FUZZ_SECONDS:-20}" --summary "$fuzz_summary" || overall=1
  if [ -s "$fuzz_summary" ]; then
    while read -r line; do results+=("$line"); done < "$fuzz_summary"
  else
    results+=("fuzz 0 1 0")
  fi
  rm -f "$fuzz_summary"
fi

if [ "$run_windows" = 1 ]; then
  echo "== windows legs" >&2
  wine_summary=$(mktemp)
  bash scripts/wine-legs.sh --summary "$wine_summary"
  rc=$?
  if [ -s "$wine_summary" ]; then
    while read -r line; do results+=("$line"); done < "$wine_summary"
  fi
  [ "$rc" = 0 ] || overall=1
  rm -f "$wine_summary"
fi

passed=0; failed=0; skipped=0
echo
echo "Legs (passed failed skipped):"
for r in "${results[@]}"; do
  read -r name p f s <<<"$r"
  printf '  %-10s %5d passed %5d failed %5d skipped\n' "$name" "$p" "$f" "$s"
  passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + s))
done
[ "$failed" = 0 ] || overall=1
echo "total: $passed passed, $failed failed, $skipped skipped"
exit "$overall"
