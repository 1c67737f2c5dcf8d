#!/usr/bin/env bash
# Includes run downward only. Every folder of the sources has a layer; a file
# may include its own folder and the layers below it, never a layer above nor
# a neighbour of its own layer (no view includes another view); the host, the
# tools and the program see the module only through schema/, never its parts:
#   common < schema < module parts < host < host/flight, host/render < host/fly
#   < tools/log (the flight-log core) < tools/replay < the views (tools/csv,
#   tools/plot, tools/report) < program
# and the module file check (host/module_check*), which the fuzz targets link
# alone, includes nothing of the host but its own header, the layout and the
# load error. Usage: check_layers.sh [SOURCE_ROOT]; exits 1 naming each breach.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"

mapfile -t sources < <(find common schema module panel readouts recorder host tools program \
    -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | sort)
awk '
# The layer of a path as "RANK GROUP", or "" for a path outside the layers.
function layer(path,    parts) {
    split(path, parts, "/")
    if (parts[1] == "common") return "0 common"
    if (parts[1] == "schema") return "10 schema"
    if (parts[1] ~ /^(module|panel|readouts|recorder)$/) return "20 module"
    if (parts[1] == "host" && (parts[2] == "flight" || parts[2] == "render")) return "31 host/" parts[2]
    if (parts[1] == "host" && parts[2] == "fly") return "32 host/fly"
    if (parts[1] == "host") return "30 host"
    if (parts[1] == "tools" && parts[2] == "log") return "40 tools/log"
    if (parts[1] == "tools" && parts[2] == "replay") return "50 tools/replay"
    if (parts[1] == "tools" && length(parts) > 2) return "60 tools/" parts[2]
    if (parts[1] == "program") return "70 program"
    return ""
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    included = $0
    sub(/^[^"]*"/, "", included)
    sub(/".*/, "", included)
    mine = layer(FILENAME); theirs = layer(included)
    if (mine == "" || theirs == "") next
    split(mine, m, " "); split(theirs, t, " ")
    problem = ""
    if (t[1] + 0 > m[1] + 0) problem = "a higher layer (" t[2] " above " m[2] ")"
    else if (m[1] + 0 >= 30 && t[2] == "module")
        problem = "a module part (the host and the tools know the module only through schema/)"
    else if (t[1] + 0 == m[1] + 0 && t[2] != m[2]) problem = "a neighbour of its own layer (" t[2] " beside " m[2] ")"
    else if (FILENAME ~ /^host\/module_check/ && included ~ /^host\// && included !~ /^host\/module_check/ &&
             included != "host/layout.h" && included != "host/load_error.h")
        problem = "more of the host than the module check may use"
    if (problem != "") { print FILENAME " includes " included ": " problem; ++breaches }
}
END {
    if (breaches > 0) { print breaches " include(s) against the layers"; exit 1 }
    print "includes run downward"
}' "${sources[@]}"
