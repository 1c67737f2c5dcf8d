#!/usr/bin/env bash
# The Windows CLI leg: runs vorlat.exe under Wine and the native vorlat on the
# same inputs, each in a work folder of its own laid out alike, and compares
# exit codes, standard output and error, and the files written, byte for byte:
#   scripts/wine-cli-leg.sh WINE_DIR 64|32 WIN_BUILD NATIVE_BUILD OUTDIR
# WIN_BUILD holds program/vorlat.exe and ZEK.vorlat.gau of one Windows preset,
# NATIVE_BUILD program/vorlat and ZEK.vorlat.gau; WINE_DIR the prefix
# scripts/wine-setup.sh made. The 32-bit leg runs a few cases only (every
# process starts under qemu). Prints one line per case and "cli: P passed,
# F failed"; exits 0 when every case passed, 1 otherwise, 77 (with the reason)
# when the programs to compare are not built.
set -uo pipefail

[ $# -eq 5 ] || { echo "usage: $0 WINE_DIR 64|32 WIN_BUILD NATIVE_BUILD OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=$(realpath "$1") arch=$2 win_build=$(realpath "$3") native_build=$(realpath "$4") out=$5
SKIPPED=77
exe=$win_build/program/vorlat.exe win_module=$win_build/ZEK.vorlat.gau
native=$native_build/program/vorlat native_module=$native_build/ZEK.vorlat.gau
for file in "$exe" "$win_module" "$native" "$native_module"; do
    [ -f "$file" ] || { echo "SKIPPED: $file is not built"; exit "$SKIPPED"; }
done

# The two work folders have the same name ("work"): a flight's label is its
# folder and file name, so the pages and tables then read alike.
rm -rf "$out" && mkdir -p "$out/native/work" "$out/windows/work" "$out/results"
out=$(realpath "$out")
# A 32-bit Wine in the Debian root of scripts/wine32-root.sh sees these folders too.
export VORLAT_WINE32_BINDS=$win_build:$out${VORLAT_WINE32_BINDS:+:$VORLAT_WINE32_BINDS}
results=$out/results
passed=0 failed=0

# A Unix path as Wine's Z: drive shows it to a Windows program.
windows_path() { local path; path=$(realpath -m "$1"); echo "Z:${path//\//\\}"; }

# An argument for one side: {dir} is that side's work folder (on Windows as
# Z:\...), {sep} the side's folder separator ("\" on Windows).
argument_for() {  # side text
    local text=$2
    if [ "$1" = windows ]; then
        text=${text//\{dir\}/$(windows_path "$out/windows/work")}
        text=${text//\{sep\}/\\}
    else
        text=${text//\{dir\}/$out/native/work}
        text=${text//\{sep\}//}
    fi
    printf '%s' "$text"
}

# run SIDE NAME STDIN ARGS...: the command's stdout, stderr and exit code as
# results/NAME.SIDE.*; STDIN is a file in the work folder or "".
run() {
    local side=$1 name=$2 input=$3 arguments=() argument
    shift 3
    for argument in "$@"; do arguments+=("$(argument_for "$side" "$argument")"); done
    local status=0 work=$out/$side/work
    if [ -n "$input" ]; then input=$work/$input; else input=/dev/null; fi
    if [ "$side" = windows ]; then
        (cd "$work" && VORLAT_MODULE=$(windows_path "$win_module") \
            "$here/scripts/wine-run.sh" "$wine_dir" "$arch" "$exe" "${arguments[@]}") \
            <"$input" >"$results/$name.$side.stdout" 2>"$results/$name.$side.stderr" || status=$?
    else
        (cd "$work" && VORLAT_MODULE=$native_module "$native" "${arguments[@]}") \
            <"$input" >"$results/$name.$side.stdout" 2>"$results/$name.$side.stderr" || status=$?
    fi
    echo "$status" >"$results/$name.$side.status"
}

verdict() {  # name problems...
    local name=$1
    shift
    if [ $# -eq 0 ]; then
        passed=$((passed + 1))
        echo "cli: $name: same"
    else
        failed=$((failed + 1))
        echo "cli: $name: DIFFERS: $*"
    fi
}

# same NAME WHAT [FILE...] [< STDIN] -- ARGS...: runs the command on both
# sides and compares the exit code, the streams WHAT names (out, err) and the
# FILEs, which must exist on both sides (written, or kept as they were).
same() {
    local name=$1 what=$2 files=() input=""
    shift 2
    while [ "$1" != -- ]; do
        if [ "$1" = "<" ]; then input=$2; shift 2; else files+=("$1"); shift; fi
    done
    shift
    run native "$name" "$input" "$@"
    run windows "$name" "$input" "$@"
    local problems=() stream file
    cmp -s "$results/$name.native.status" "$results/$name.windows.status" ||
        problems+=("exit $(cat "$results/$name.native.status") on Linux, $(cat "$results/$name.windows.status") on Windows")
    for stream in out err; do
        [[ $what == *$stream* ]] || continue
        cmp -s "$results/$name.native.std$stream" "$results/$name.windows.std$stream" || problems+=("std$stream")
    done
    for file in "${files[@]}"; do
        local a=$out/native/work/$(argument_for native "$file") b=$out/windows/work/$(argument_for native "$file")
        if [ ! -e "$a" ] && [ ! -e "$b" ]; then
            problems+=("$file missing on both sides")
        elif [ ! -e "$a" ] || [ ! -e "$b" ]; then
            problems+=("$file written on one side only")
        elif ! cmp -s "$a" "$b"; then
            problems+=("$file")
        fi
    done
    verdict "$name" "${problems[@]}"
}

# Both work folders, laid out alike.
both() {  # command args... (run in each work folder)
    (cd "$out/native/work" && "$@") && (cd "$out/windows/work" && "$@")
}
# No temporary file left beside the outputs: every name in the folder but those given.
leftovers() {  # side folder expected-names...
    local folder=$out/$1/work/$2
    shift 2
    local name unexpected=()
    while IFS= read -r name; do
        local known=0 expected
        for expected in "$@"; do [ "$name" = "$expected" ] && known=1; done
        [ $known = 1 ] || unexpected+=("$name")
    done < <(ls -A "$folder")
    echo "${unexpected[*]}"
}

both mkdir -p corpus "dir with space/vélö лог" "sortie été" kept
both cp "$here"/tests/fuzz/corpus/log/*.log corpus/

# --- The built-in flight with the matching module, and its pictures
temp_folder=$wine_dir/win64/drive_c/users/$(id -un)/Temp
if [ "$arch" = 64 ] && [ -d "$temp_folder" ]; then
    # A copy a crashed run left, and a file of another name, in Windows' temporary folder.
    printf 'left by a crash' >"$temp_folder/vorlat-0xdead-7-ZEK.vorlat.gau"
    printf 'not ours' >"$temp_folder/vorlat-notes.txt"
fi
flight_length=()
[ "$arch" = 64 ] || flight_length=(--duration 90)  # 32-bit Wine runs under qemu here: the first minute and a half
same fly "" flight/data_log.txt flight/end.png flight/at60.png flight/transcript.tsv -- \
    fly --out flight --png end.png --png-at 60:at60.png --transcript transcript.tsv "${flight_length[@]}"
if [ "$arch" = 64 ] && [ -d "$temp_folder" ]; then
    problems=()
    [ ! -e "$temp_folder/vorlat-0xdead-7-ZEK.vorlat.gau" ] || problems+=("the leftover copy stayed")
    [ -e "$temp_folder/vorlat-notes.txt" ] || problems+=("a file of another name was removed")
    stray=$(cd "$temp_folder" && ls -A | grep '^vorlat-0x' || true)
    [ -z "$stray" ] || problems+=("copies left after the run: $stray")
    rm -f "$temp_folder/vorlat-notes.txt"
    verdict "private copies: a crashed run's removed, none left, others kept" "${problems[@]}"
fi
both cp flight/data_log.txt flight.log
same summary out,err -- log summary flight.log
if [ "$arch" = 32 ]; then
    same "refuses to overwrite an input" out,err flight.log -- log csv flight.log -o flight.log
    echo "cli: $passed passed, $failed failed"
    [ $failed -eq 0 ]
    exit
fi
same csv out,err out.csv -- log csv flight.log -o out.csv
same replay out,err replay-60.png replay-120.png -- log replay flight.log --png-at 60:replay-60.png --png-at 2:00:replay-120.png
same summary-json out,err -- log summary --json flight.log
same "csv to standard output" out,err -- log csv flight.log
same "summary of standard input" out,err "<" flight.log -- log summary -
same report out,err report.html -- log report flight.log -o report.html

# --- Output safety
same "refuses to overwrite an input" out,err flight.log -- log csv flight.log -o flight.log
same "fly refuses an earlier log" out,err flight/data_log.txt -- fly --out flight --duration 5
same "fly --force replaces it" "" flight/data_log.txt -- fly --out flight --force --duration 5
same "frames" out,err frames/frame_000001.png frames/frame_000010.png -- \
    log replay flight.log --from 1:00 --to 1:05 --frames frames
same "frames refuses a folder with frames" out,err -- log replay flight.log --from 1:00 --to 1:05 --frames frames
both sh -c 'printf keep >frames/notes.txt'
same "frames --force replaces only frames" out,err frames/notes.txt frames/frame_000005.png -- \
    log replay flight.log --from 1:00 --to 1:03 --frames frames --force
both sh -c 'printf "precious rows\n" >kept/out.csv'
same "an output kept when the input is refused" out,err kept/out.csv -- log csv --strict corpus/bad-rows.log -o kept/out.csv
problems=()
for side in native windows; do
    left=$(leftovers "$side" kept out.csv)
    [ -z "$left" ] || problems+=("$side left $left")
done
verdict "no temporary file left" "${problems[@]}"
# Names that differ only in case are one file on Windows: refused there (a
# new file on Linux, so no comparison).
run windows "same file in other case" "" log csv flight.log -o FLIGHT.LOG
problems=()
[ "$(cat "$results/same file in other case.windows.status")" = 2 ] ||
    problems+=("exit $(cat "$results/same file in other case.windows.status"), not 2")
cmp -s "$out/windows/work/flight.log" "$out/native/work/flight.log" || problems+=("flight.log changed")
verdict "refuses an input named in other case (Windows only)" "${problems[@]}"

# --- Damaged logs
for log in empty missing-header utf16-le trailing-nul cr-cr-lf partial-last-line over-long-line several-recordings; do
    same "damaged $log: summary" out,err -- log summary "corpus/$log.log"
done
for log in cr-cr-lf partial-last-line bad-rows; do
    same "damaged $log: csv" out,err -- log csv "corpus/$log.log"
    same "damaged $log: strict" out,err -- log summary --strict "corpus/$log.log"
done

# --- Names: spaces, non-ASCII, backslashes, a drive letter
both cp flight.log "dir with space/vélö лог/vol été.log"
same "non-ASCII name with spaces" out,err -- log summary "dir with space/vélö лог/vol été.log"
same "backslashes" err "sortie été/vol.csv" -- log csv "dir with space{sep}vélö лог{sep}vol été.log" -o "sortie été{sep}vol.csv"
same "drive letter" err "sortie été/vol-z.csv" -- \
    log csv "{dir}{sep}dir with space{sep}vélö лог{sep}vol été.log" -o "{dir}{sep}sortie été{sep}vol-z.csv"
same "report of a non-ASCII name" out,err "sortie été/vol.html" -- \
    log report "dir with space/vélö лог/vol été.log" -o "sortie été/vol.html"
same "replay to a non-ASCII name" out,err "sortie été/écran 60.png" -- \
    log replay flight.log --png-at "60:sortie été/écran 60.png"
# The built-in flight starts recording after 20 s: the press makes the log.
same "fly into a non-ASCII folder" "" "vol été/data_log.txt" "vol été/fin.png" -- \
    fly --out "{dir}/vol été" --duration 20 --png fin.png --press 2:record
same "fly's messages name a non-ASCII folder alike" out,err "vol été 2/data_log.txt" -- \
    fly --out "vol été 2" --duration 5 --press 2:record --png "écran.png"

echo "cli: $passed passed, $failed failed"
[ $failed -eq 0 ]
