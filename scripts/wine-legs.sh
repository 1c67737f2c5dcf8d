#!/usr/bin/env bash
# The Windows legs: builds the win32 and win64 presets, checks the built PE
# files, runs the conformance suite under 64-bit Wine and under 32-bit Wine
# (one process each), compares the fidelity session of Linux, Win64 and
# Win32 byte for byte, tests the Windows part of the output files (common64),
# and runs vorlat.exe against the native vorlat (cli64, cli32:
# scripts/wine-cli-leg.sh).
#   scripts/wine-legs.sh [--summary FILE]
# Prints one line per leg (passed / FAILED / skipped and why) and exits
# non-zero when any leg failed; a leg this machine cannot run is skipped, never
# passed. With --summary, appends "leg passed failed skipped" lines to FILE.
#
# Build folders (defaults: the presets' build/<preset>) and the Wine folder can
# be moved with VORLAT_NATIVE_BUILD, VORLAT_WIN32_BUILD, VORLAT_WIN64_BUILD,
# VORLAT_WINE_DIR; VORLAT_JOBS sets the build's parallelism (default 2).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

summary_file=
while [ $# -gt 0 ]; do
    case "$1" in
        --summary) summary_file=${2:?}; shift 2 ;;
        *) echo "wine-legs: unknown option $1" >&2; exit 2 ;;
    esac
done

SKIPPED=77
native_build=${VORLAT_NATIVE_BUILD:-$root/build/native}
win32_build=${VORLAT_WIN32_BUILD:-$root/build/win32}
win64_build=${VORLAT_WIN64_BUILD:-$root/build/win64}
wine_dir=${VORLAT_WINE_DIR:-$root/build/wine}
jobs=${VORLAT_JOBS:-2}
mkdir -p "$wine_dir"
# A 32-bit Wine in the Debian root of scripts/wine32-root.sh sees these folders too.
export VORLAT_WINE32_BINDS=$win32_build:$wine_dir${VORLAT_WINE32_BINDS:+:$VORLAT_WINE32_BINDS}
logs=$wine_dir/logs
mkdir -p "$logs"

lines=()
overall=0
started=$(date +%s)
elapsed() { echo "$(($(date +%s) - started)) s"; }

# leg NAME passed|failed|skipped DETAIL [PASSED FAILED SKIPPED]
leg() {
    local name=$1 outcome=$2 detail=$3 p=${4:-} f=${5:-} s=${6:-}
    case "$outcome" in
        passed) : "${p:=1}" "${f:=0}" "${s:=0}"; lines+=("wine-legs: $name: passed ($detail)") ;;
        failed) : "${p:=0}" "${f:=1}" "${s:=0}"; lines+=("wine-legs: $name: FAILED ($detail)"); overall=1 ;;
        skipped) : "${p:=0}" "${f:=0}" "${s:=1}"; lines+=("wine-legs: $name: skipped ($detail)") ;;
    esac
    echo "${lines[-1]} [$(elapsed)]" >&2
    if [ -n "$summary_file" ]; then echo "$name $p $f $s" >>"$summary_file"; fi
}

# Counts of a GoogleTest run from its closing lines: "passed failed skipped".
gtest_counts() {
    local log=$1 p f s
    p=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | tail -1)
    f=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log" | tail -1)
    s=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log" | tail -1)
    echo "${p:-0} ${f:-0} ${s:-0}"
}

# A Unix path as Wine's Z: drive shows it to a Windows program.
windows_path() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }

# --- Wine prefixes: the 32-bit one takes minutes under qemu, so it is made
# in the background while the builds run.
wine_setup() {  # arch -> exit code in $wine_dir/setup-$arch.rc
    scripts/wine-setup.sh "$wine_dir" "$1" >"$logs/setup-$1.log" 2>&1
    echo $? >"$wine_dir/setup-$1.rc"
}
rm -f "$wine_dir"/setup-*.rc
wine_setup 32 &
setup32_pid=$!

# --- Builds
# The program (vorlat.exe) is asked for explicitly, since a build folder made
# before it could be built keeps it off.
build_preset() {  # preset dir -> 0 ok
    local preset=$1 dir=$2
    {
        cmake --preset "$preset" -B "$dir" -DVORLAT_PROGRAM=ON &&
            cmake --build "$dir" --target gauge vorlat_conformance common_windows_tests vorlat -j "$jobs"
    } >"$logs/build-$preset.log" 2>&1
}
build_native() {
    { { [ -f "$native_build/CMakeCache.txt" ] || cmake --preset native -B "$native_build"; } &&
        cmake --build "$native_build" --target pe_files_test fidelity_session gauge vorlat -j "$jobs"; } \
        >"$logs/build-native.log" 2>&1
}
declare -A built
for preset in win64 win32; do
    dir_var=${preset}_build
    if build_preset "$preset" "${!dir_var}"; then built[$preset]=1; else
        built[$preset]=0
        leg "$preset-build" failed "see $logs/build-$preset.log"
        tail -20 "$logs/build-$preset.log" >&2
    fi
done
if build_native; then built[native]=1; else
    built[native]=0
    leg native-build failed "see $logs/build-native.log"
    tail -20 "$logs/build-native.log" >&2
fi

# --- PE checks of the built libraries
if [ "${built[native]}" = 1 ] && [ "${built[win32]}" = 1 ] && [ "${built[win64]}" = 1 ]; then
    VORLAT_WIN32_DLL=$win32_build/ZEK.vorlat.gau VORLAT_WIN64_DLL=$win64_build/ZEK.vorlat.gau \
        "$native_build/tests/pe/pe_files_test" >"$logs/pe.log" 2>&1
    rc=$?
    read -r p f s < <(gtest_counts "$logs/pe.log")
    if [ $rc -eq 0 ] && [ "$s" = 0 ] && [ "$p" -gt 0 ]; then
        leg pe-files passed "$p checks of both libraries" "$p" "$f" "$s"
    elif [ $rc -eq 0 ]; then
        leg pe-files failed "$s of the checks skipped although both libraries were built; see $logs/pe.log" "$p" 1 "$s"
    else
        leg pe-files failed "see $logs/pe.log" "$p" "$f" "$s"
        grep -E '^\[  FAILED|Failure|Which is|Expected' "$logs/pe.log" | head -30 >&2
    fi
else
    leg pe-files failed "a build failed, nothing to check"
fi

# --- Fidelity: the native reference
fidelity_native=$wine_dir/fidelity/native
rm -rf "$wine_dir/fidelity"
mkdir -p "$fidelity_native"
if [ "${built[native]}" = 1 ] && VORLAT_FIDELITY_DIR=$fidelity_native "$native_build/tests/conformance/fidelity_session" \
    >"$logs/fidelity-native.log" 2>&1; then
    have_native=1
else
    have_native=0
    leg fidelity-native failed "the native session failed; see $logs/fidelity-native.log"
fi

# --- Conformance under Wine, one process per architecture
conformance_leg() {  # arch build-dir
    local arch=$1 dir=$2 name=wine$1 rc
    if [ "${built[win$arch]}" != 1 ]; then
        leg "$name" failed "the win$arch build failed"
        return
    fi
    if [ "$arch" = 64 ]; then wine_setup 64; else wait "$setup32_pid"; fi
    rc=$(cat "$wine_dir/setup-$arch.rc" 2>/dev/null || echo 1)
    if [ "$rc" = "$SKIPPED" ]; then
        leg "$name" skipped "$(sed -n 's/.*SKIPPED: //p' "$logs/setup-$arch.log" | tail -1)"
        return
    elif [ "$rc" != 0 ]; then
        leg "$name" failed "Wine could not be set up; see $logs/setup-$arch.log"
        cat "$logs/setup-$arch.log" >&2
        return
    fi
    local work=$dir/conformance-work fidelity=$wine_dir/fidelity/win$arch
    rm -rf "$work" && mkdir -p "$work" "$fidelity"
    local start=$(date +%s)
    (cd "$work" && VORLAT_MODULE=$(windows_path "$dir/ZEK.vorlat.gau") VORLAT_FIDELITY_DIR=$(windows_path "$fidelity") \
        timeout 1500 "$root/scripts/wine-run.sh" "$wine_dir" "$arch" "$dir/tests/conformance/vorlat_conformance.exe") \
        >"$logs/conformance-$arch.log" 2>&1
    rc=$?
    # Leave no Wine processes of ours behind.
    WINEPREFIX=$wine_dir/win$arch /usr/lib/wine/wineserver -k >/dev/null 2>&1
    local p f s
    read -r p f s < <(gtest_counts "$logs/conformance-$arch.log")
    local took="$(($(date +%s) - start)) s in one process"
    if [ $rc -eq 0 ] && [ "$p" -gt 0 ]; then
        leg "$name" passed "$p tests passed, $s skipped, $took" "$p" "$f" "$s"
    elif [ $rc -eq 124 ]; then
        leg "$name" failed "timed out after $took; see $logs/conformance-$arch.log" "$p" 1 "$s"
    else
        leg "$name" failed "exit code $rc, $f failed, $took; see $logs/conformance-$arch.log" "$p" "$((f > 0 ? f : 1))" "$s"
        grep -E '^\[  FAILED|Failure|Which is|Expected|error' "$logs/conformance-$arch.log" | head -40 >&2
    fi
}
conformance_leg 64 "$win64_build"
conformance_leg 32 "$win32_build"

# --- The Windows part of the output files, under 64-bit Wine (one process and its children)
common_leg() {
    local name=common64 rc
    if [ "${built[win64]}" != 1 ]; then
        leg "$name" failed "the win64 build failed"
        return
    fi
    rc=$(cat "$wine_dir/setup-64.rc" 2>/dev/null || echo 1)
    if [ "$rc" != 0 ]; then
        leg "$name" skipped "64-bit Wine is not set up (see $logs/setup-64.log)"
        return
    fi
    local work=$win64_build/common-work
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && timeout 600 "$root/scripts/wine-run.sh" "$wine_dir" 64 "$win64_build/tests/common/common_windows_tests.exe") \
        >"$logs/common-64.log" 2>&1
    rc=$?
    local p f s
    read -r p f s < <(gtest_counts "$logs/common-64.log")
    if [ $rc -eq 0 ] && [ "$p" -gt 0 ]; then
        leg "$name" passed "$p tests passed, $s skipped" "$p" "$f" "$s"
    else
        leg "$name" failed "exit code $rc, $f failed; see $logs/common-64.log" "$p" "$((f > 0 ? f : 1))" "$s"
        grep -E '^\[  FAILED|Failure|Which is|Expected' "$logs/common-64.log" | head -30 >&2
    fi
}
common_leg

# --- vorlat.exe against the native vorlat, case by case
cli_leg() {  # arch build-dir
    local arch=$1 dir=$2 name=cli$1 rc
    if [ "${built[win$arch]}" != 1 ] || [ "${built[native]}" != 1 ]; then
        leg "$name" failed "a build failed, nothing to compare"
        return
    fi
    rc=$(cat "$wine_dir/setup-$arch.rc" 2>/dev/null || echo 1)
    if [ "$rc" = "$SKIPPED" ]; then
        leg "$name" skipped "$(sed -n 's/.*SKIPPED: //p' "$logs/setup-$arch.log" | tail -1)"
        return
    elif [ "$rc" != 0 ]; then
        leg "$name" failed "Wine could not be set up; see $logs/setup-$arch.log"
        return
    fi
    local start=$(date +%s)
    timeout 900 scripts/wine-cli-leg.sh "$wine_dir" "$arch" "$dir" "$native_build" "$wine_dir/cli$arch" \
        >"$logs/cli-$arch.log" 2>&1
    rc=$?
    WINEPREFIX=$wine_dir/win64 /usr/lib/wine/wineserver -k >/dev/null 2>&1
    local p f took="$(($(date +%s) - start)) s"
    p=$(grep -c ': same$' "$logs/cli-$arch.log")
    f=$(grep -c ': DIFFERS: ' "$logs/cli-$arch.log")
    if [ $rc -eq 0 ] && [ "$p" -gt 0 ]; then
        leg "$name" passed "$p cases as on Linux, $took" "$p" 0 0
    elif [ $rc -eq "$SKIPPED" ]; then
        leg "$name" skipped "$(sed -n 's/^SKIPPED: //p' "$logs/cli-$arch.log" | tail -1)"
    else
        leg "$name" failed "exit code $rc, $f cases differ, $took; see $logs/cli-$arch.log" "$p" "$((f > 0 ? f : 1))" 0
        grep -E 'DIFFERS' "$logs/cli-$arch.log" | head -30 >&2
    fi
}
cli_leg 64 "$win64_build"
cli_leg 32 "$win32_build"

# --- The pilots' zips: both made and their contents checked; the 64-bit one
# unpacked, and its report.cmd run under Wine on a flown log in a folder with a
# space, which must give the page the native vorlat writes.
package_leg() {
    local name=package failures=() zips=() preset arch zip
    for preset in win32 win64; do
        if [ "${built[$preset]}" != 1 ]; then failures+=("the $preset build failed"); continue; fi
        if scripts/package-windows.sh "$preset" >"$logs/package-$preset.log" 2>&1; then
            zips+=("$(sed -n 's#^.*/\(vorlat-[^:]*\.zip\): \([0-9]*\) bytes$#\1 \2 bytes#p' "$logs/package-$preset.log")")
        else
            failures+=("$preset: see $logs/package-$preset.log")
            tail -5 "$logs/package-$preset.log" >&2
        fi
    done
    zip=$(ls "$win64_build"/package/vorlat-*-windows-x64.zip 2>/dev/null | head -1)
    local rc
    rc=$(cat "$wine_dir/setup-64.rc" 2>/dev/null || echo 1)
    if [ -n "$zip" ] && [ "$rc" = 0 ] && [ "${built[native]}" = 1 ]; then
        local work=$wine_dir/package-work
        rm -rf "$work" && mkdir -p "$work/pilot" "$work/native/my flights" "$work/windows/my flights"
        unzip -q "$zip" -d "$work/pilot"
        local folder
        folder=$(ls -d "$work/pilot"/vorlat-*/)
        # A short flight flown natively; its log is reviewed on both sides in a folder of the same name.
        (cd "$work/native/my flights" && "$native_build/program/vorlat" fly --duration 60 --no-flight-presses \
            --press 5:record --press 55:record --module "$native_build/ZEK.vorlat.gau" >/dev/null 2>&1)
        cp "$work/native/my flights/data_log.txt" "$work/windows/my flights/"
        (cd "$work/native/my flights" && "$native_build/program/vorlat" log report data_log.txt -o data_log.html \
            >/dev/null 2>&1)
        # cmd /c strips the quotes of a quoted first word, so the unpacked folder has no space in its name.
        (cd "$work/windows/my flights" && timeout 300 "$root/scripts/wine-run.sh" "$wine_dir" 64 cmd /c \
            "$(windows_path "$folder")\\report.cmd" data_log.txt) >"$logs/package-report-cmd.log" 2>&1
        WINEPREFIX=$wine_dir/win64 /usr/lib/wine/wineserver -k >/dev/null 2>&1
        if [ ! -s "$work/windows/my flights/data_log.html" ]; then
            failures+=("report.cmd wrote no data_log.html; see $logs/package-report-cmd.log")
        elif ! cmp -s "$work/native/my flights/data_log.html" "$work/windows/my flights/data_log.html"; then
            failures+=("report.cmd's page differs from the native one ($work)")
        fi
    elif [ -n "$zip" ]; then
        failures+=("report.cmd not run: 64-bit Wine or the native build is missing")
    fi
    if [ ${#failures[@]} -eq 0 ]; then
        leg "$name" passed "${zips[*]}; report.cmd under Wine wrote the native page"
    else
        leg "$name" failed "$(IFS=';'; echo "${failures[*]}")"
    fi
}
package_leg

# --- Fidelity comparison over the platforms that ran
if [ "$have_native" = 1 ]; then
    others=()
    missing=()
    for arch in 64 32; do
        if [ -s "$wine_dir/fidelity/win$arch/transcript.txt" ]; then
            others+=("win$arch=$wine_dir/fidelity/win$arch")
        else
            missing+=("win$arch")
        fi
    done
    if [ ${#others[@]} -eq 0 ]; then
        leg fidelity skipped "no Windows transcript to compare (${missing[*]} did not run)"
    elif tests/conformance/compare_fidelity.sh "native=$fidelity_native" "${others[@]}" >"$logs/fidelity.log" 2>&1; then
        compared=("${others[@]%%=*}")
        leg fidelity passed "native, ${compared[*]} byte-identical${missing:+; not compared: ${missing[*]}}"
    else
        leg fidelity failed "outputs differ; see $logs/fidelity.log"
        grep -v 'is identical' "$logs/fidelity.log" >&2
    fi
fi

echo
for line in "${lines[@]}"; do echo "$line"; done
echo "wine-legs: finished in $(elapsed)"
exit $overall
