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

bash "$root/tools/build_quietly.sh" bench.sh

exe=$build/VelloranSetup.exe

# ---- a) ---------------------------------------------------------------------
# Sections and resources from tools/pe_places.sh: each resource is put down
# to its type and name.
file_size=$(stat -c %s "$exe")
places=$(bash "$root/tools/pe_places.sh" "$exe")
if ! grep -q '^section' <<<"$places" || ! grep -q '^resource' <<<"$places"; then
    echo "$0: objdump showed no sections or no resources in $exe" >&2
    exit 1
fi

echo "== a) VelloranSetup.exe: $file_size bytes =="
awk -v file="$file_size" '
function pct(n) { return sprintf("%5.1f%%", 100 * n / file) }
function line(label, n, detail) { printf "  %-20s %9d bytes %s  %s\n", label, n, pct(n), detail }
$1 == "section" {
    if ($2 == ".rsrc") { rsrc = $3; next }
    if ($5 == "memory") { memoryOnly = memoryOnly sprintf("; %s %d in memory only", $2, $3); next }
    code += $3; codeDetail = codeDetail (codeDetail == "" ? "" : ", ") $2 " " $3
    inFile += $3
}
$1 == "resource" {
    type = $2; name = $3; size = $4; label = $6 (NF > 6 ? " " $7 : "")
    leaves += size; n++
    if (type == 2 || type == 3 || type == 14) { group = "pictures" }
    else if (type == 10 && name ~ /^FILE[0-9]+$/) {
        group = "payload"; row = substr(name, 5) + 0
        if (row >= 0 && row <= 79 && !(row in seen)) { seen[row] = 1; rowsSeen++ }
    } else group = "other"
    total[group] += size; count[group, label]++; bytes[group, label] += size
    if (!((group, label) in listed)) { listed[group, label] = 1; order[group] = order[group] " " label }
}
END {
    inFile += rsrc
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
}' <<<"$places"

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
