#!/usr/bin/env bash
# Captures what every command writes (standard output, standard error, exit
# code, files) for the demo flight and the damaged logs of tests/fuzz/corpus/log,
# so that two builds can be compared byte for byte:
#   scripts/compare-outputs.sh capture VORLAT OUTDIR   (VORLAT: the built program)
#   scripts/compare-outputs.sh compare OLDDIR NEWDIR
# The commands run in one fixed scratch folder, so absolute paths in their
# output are the same for both builds.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
work=${VORLAT_COMPARE_WORK:-/tmp/vorlat-compare-work}

# run NAME ARGS...: the command's stdout, stderr and exit code as NAME.*
run() {
    local name=$1
    shift
    local status=0
    (cd "$work" && "$vorlat" "$@" >"$out/$name.stdout" 2>"$out/$name.stderr") || status=$?
    echo "$status" >"$out/$name.status"
}

# keep NAME FILE: a file the command wrote, moved into the capture
keep() {
    if [[ -e $work/$2 ]]; then mv "$work/$2" "$out/$1"; else echo missing >"$out/$1.missing"; fi
}

capture() {
    vorlat=$(realpath "$1")
    out=$(mkdir -p "$2" && realpath "$2")
    rm -rf "$work"
    mkdir -p "$work"
    run fly fly --out D
    cp "$work/D/data_log.txt" "$out/demo.log"
    local logs=("$work/D/data_log.txt" "$here"/tests/fuzz/corpus/log/*)
    for log in "${logs[@]}"; do
        local name
        name=$(basename "$log")
        [[ $name == data_log.txt ]] && name=demo
        cp "$log" "$work/in.log"
        run "$name.summary" log summary in.log
        run "$name.summary-json" log summary --json in.log
        run "$name.csv" log csv in.log -o out.csv
        keep "$name.csv.file" out.csv
        run "$name.replay" log replay in.log --png-at 60:a.png --png-at 120:b.png
        keep "$name.replay-a.png" a.png
        keep "$name.replay-b.png" b.png
        run "$name.report" log report in.log -o out.html
        keep "$name.report.html" out.html
        run "$name.plot" log plot in.log -o x.svg
        keep "$name.plot.svg" x.svg
    done
    rm -rf "$work"
}

case ${1:-} in
capture) capture "$2" "$3" ;;
compare) diff -r "$2" "$3" && echo "identical: $(find "$2" -type f | wc -l) files" ;;
*)
    echo "usage: $0 capture VORLAT OUTDIR | compare OLDDIR NEWDIR" >&2
    exit 2
    ;;
esac
