#!/usr/bin/env bash
# Compares the fidelity session's outputs of several platforms byte for byte:
#   compare_fidelity.sh NAME=DIR NAME=DIR [NAME=DIR ...]
# The first is the reference. On a difference it names the file and the first
# differing line with both versions (carriage returns shown as \r).
# Exit 0 identical, 1 different, 2 a file is missing.
set -uo pipefail

FILES=(transcript.txt data_log_first.txt data_log.txt)

[ $# -ge 2 ] || { echo "usage: $0 NAME=DIR NAME=DIR [NAME=DIR ...]" >&2; exit 2; }
reference_name=${1%%=*} reference_dir=${1#*=}
shift

show_line() {  # file line-number
    local text
    text=$(sed -n "${2}{p;q}" "$1" | sed 's/\r/\\r/g')
    if [ "$(wc -l <"$1")" -lt "$2" ] && [ -z "$text" ]; then text="(end of file)"; fi
    echo "$text"
}

status=0
for other in "$@"; do
    other_name=${other%%=*} other_dir=${other#*=}
    for file in "${FILES[@]}"; do
        a=$reference_dir/$file b=$other_dir/$file
        for f in "$a" "$b"; do
            [ -f "$f" ] || { echo "fidelity: $f is missing" >&2; exit 2; }
        done
        if cmp -s "$a" "$b"; then
            echo "fidelity: $file: $other_name is identical to $reference_name ($(wc -c <"$a") bytes)"
            continue
        fi
        status=1
        # cmp names the first differing byte and its line; when one file is a
        # prefix of the other it reports EOF after the shorter one's last line.
        report=$(cmp "$a" "$b" 2>&1)
        line=$(sed -n 's/.*line \([0-9]*\).*/\1/p' <<<"$report")
        if [[ "$report" == *EOF* ]]; then
            shorter=$(sed -n 's/.*EOF on \(.*\) after byte.*/\1/p' <<<"$report")
            # A shorter file ending in a newline has a whole line less.
            [ -n "$(tail -c1 "$shorter")" ] || line=$((line + 1))
        fi
        echo "fidelity: $file: $other_name differs from $reference_name; first difference at line $line ($report)"
        echo "  $reference_name: $(show_line "$a" "$line")"
        echo "  $other_name: $(show_line "$b" "$line")"
    done
done
exit $status
