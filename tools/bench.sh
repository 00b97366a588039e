#!/usr/bin/env bash
# Prints the setup's figures in one run, after bringing the build up to date:
#   a) what VelloranSetup.exe's bytes are made of: code and data sections,
#      pictures, payload, the other resources;
#   b) the payload packed by szdd_pack against mscompress (bench_payload.sh);
#   c) the copy page's pace against its 81 x 50 ms floor, and
#   d) the time from starting the setup to its agreement page beside that of
#      a window program that does nothing else (both from bench_install.sh,
#      under Wine in a virtual desktop on a private X server).
# It prints; it judges nothing.
#   tools/bench.sh [install runs]     (default 1)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export VELLORAN_BUILD=${VELLORAN_BUILD:-$root/build}
build=$VELLORAN_BUILD
runs=${1:-1}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! bash "$root/tools/build.sh" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "$0: the build failed" >&2
    exit 1
fi

exe=$build/VelloranSetup.exe
objdump=i686-w64-mingw32-objdump

# ---- a) ---------------------------------------------------------------------
# Sections as objdump sees them: the size of each is its content (the
# smaller of its virtual and raw sizes); .bss has no bytes in the file.
# Resources from objdump's walk of the resource directory: each leaf's size
# is put down to its type (top level) and name (second level).
file_size=$(stat -c %s "$exe")
# Debian's awk is mawk, which reads no hexadecimal: hex() does.
hex='function hex(s,   n, i) { s = tolower(s); sub(/^0x/, "", s); n = 0
         for (i = 1; i <= length(s); ++i) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
         return n }'
sections=$("$objdump" -h "$exe" | awk "$hex"'
    $1 ~ /^[0-9]+$/ && NF >= 7 { name = $2; size = hex($3); getline flags
                                 print name, size, (flags ~ /CONTENTS/ ? "file" : "memory") }')
resources=$("$objdump" -p "$exe" | awk "$hex"'
    /^The \.rsrc Resource Directory section:/ { inside = 1; next }
    !inside || !/^[0-9a-f]+ +/ { next }
    {
        match($0, /^[0-9a-f]+ +/); depth = RLENGTH - length($1)
        if ($2 == "Entry:") {
            id = ($3 == "ID:") ? hex(substr($4, 1, length($4) - 1)) : $0
            if ($3 == "name:") { sub(/, Value:.*/, "", id); sub(/.*\]: /, "", id) }
            if (depth == 3) { type = id; name = "" }
            else if (depth == 5) name = id
        } else if ($2 == "Leaf:") {
            size = $6; sub(/,$/, "", size)
            print type, name, hex(size)
        }
    }')
if [ -z "$sections" ] || [ -z "$resources" ]; then
    echo "$0: objdump showed no sections or no resources in $exe" >&2
    exit 1
fi

echo "== a) VelloranSetup.exe: $file_size bytes =="
awk -v file="$file_size" -v sections="$sections" -v resources="$resources" '
function pct(n) { return sprintf("%5.1f%%", 100 * n / file) }
function line(label, n, detail) { printf "  %-20s %9d bytes %s  %s\n", label, n, pct(n), detail }
BEGIN {
    typeName[1] = "RT_CURSOR"; typeName[2] = "RT_BITMAP"; typeName[3] = "RT_ICON"; typeName[4] = "RT_MENU"
    typeName[5] = "RT_DIALOG"; typeName[6] = "RT_STRING"; typeName[9] = "RT_ACCELERATOR"
    typeName[10] = "RT_RCDATA"; typeName[12] = "RT_GROUP_CURSOR"; typeName[14] = "RT_GROUP_ICON"
    typeName[16] = "RT_VERSION"; typeName[24] = "RT_MANIFEST"

    n = split(sections, rows, "\n")
    for (i = 1; i <= n; ++i) {
        split(rows[i], f, " ")
        if (f[1] == ".rsrc") { rsrc = f[2]; continue }
        if (f[3] == "memory") { memoryOnly = memoryOnly sprintf("; %s %d in memory only", f[1], f[2]); continue }
        code += f[2]; codeDetail = codeDetail (codeDetail == "" ? "" : ", ") f[1] " " f[2]
        inFile += f[2]
    }
    inFile += rsrc

    n = split(resources, rows, "\n")
    for (i = 1; i <= n; ++i) {
        split(rows[i], f, " ")
        type = f[1]; name = f[2]; size = f[3]
        leaves += size
        label = (type in typeName) ? typeName[type] : "type " type
        if (type == 2 || type == 3 || type == 14) { group = "pictures" }
        else if (type == 10 && name ~ /^FILE[0-9]+$/) {
            group = "payload"; row = substr(name, 5) + 0
            if (row >= 0 && row <= 79 && !(row in seen)) { seen[row] = 1; rowsSeen++ }
        } else group = "other"
        total[group] += size; count[group, label]++; bytes[group, label] += size
        if (!((group, label) in listed)) { listed[group, label] = 1; order[group] = order[group] " " label }
    }
    for (g in order) {
        split(substr(order[g], 2), labels, " ")
        for (j = 1; j in labels; ++j)
            detail[g] = detail[g] (j > 1 ? ", " : "") sprintf("%d %s %d", count[g, labels[j]], labels[j], bytes[g, labels[j]])
    }

    line("code (sections)", code, "(" codeDetail memoryOnly ")")
    line("pictures", total["pictures"], "(" detail["pictures"] ")")
    line("payload", total["payload"], "(" detail["payload"] "; FILE0..FILE79: " rowsSeen + 0 " of 80 there)")
    line("other resources", total["other"], "(" detail["other"] ")")
    line("resource tables", rsrc - leaves, "(.rsrc " rsrc " less its " n " resources: directory, names, alignment)")
    line("headers, padding", file - inFile, "(PE headers and section alignment)")
}'

# ---- b) ---------------------------------------------------------------------
echo "== b) payload: szdd_pack against mscompress (the 80 expanded files the build keeps) =="
bash "$root/tools/bench_payload.sh" "$build/generated/payload/expanded" "$build/host/szdd_pack" | sed 's/^/  /'

# ---- c) and d) --------------------------------------------------------------
if ! install=$(bash "$root/tools/bench_install.sh" "$runs" 2>&1); then
    install+=$'\n'"bench_install.sh failed"
fi
start='^ *start( ->|:)'
echo "== c) install: copy page against the floor of 81 ticks of 50 ms =="
grep -Ev "$start" <<<"$install" | sed 's/^/  /'
echo "== d) start: CreateProcess to the first window visible =="
if ! grep -E "$start" <<<"$install" | sed 's/^ */  /'; then
    echo "  no figures (see c)"
fi
