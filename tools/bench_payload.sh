#!/bin/bash
# bench_payload.sh <payload folder> [szdd_pack program]
# Packs every file under the folder with szdd_pack and with mscompress (Debian
# package mscompress) and prints the total sizes, their ratio and the time each
# packer took. Each szdd_pack result is also expanded with msexpand and
# compared, so a figure never comes from a broken file. The folder is not
# touched: both packers work on copies in a temporary folder.
set -euo pipefail

if [ $# -lt 1 ] || [ $# -gt 2 ] || [ ! -d "$1" ]; then
    echo "usage: $0 <payload folder> [szdd_pack program]" >&2
    exit 2
fi
folder=$1
packer=${2:-szdd_pack}
for program in "$packer" mscompress msexpand; do
    if ! command -v "$program" > /dev/null; then
        echo "$0: $program not found" >&2
        exit 1
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/szdd" "$work/ms"

# Numbered copies keep names unique; mscompress writes NAME_ beside each copy.
files=()
while IFS= read -r -d '' file; do
    files+=("$file")
done < <(find "$folder" -type f -print0 | sort -z)
if [ ${#files[@]} -eq 0 ]; then
    echo "$0: no files under $folder" >&2
    exit 1
fi
for i in "${!files[@]}"; do
    mkdir "$work/ms/$i"
    cp "${files[$i]}" "$work/ms/$i/"
done

# Nanoseconds; bash arithmetic and awk keep the script free of bc.
now() { date +%s%N; }
seconds() { awk -v ns="$1" 'BEGIN { printf "%.2f", ns / 1e9 }'; }

start=$(now)
for i in "${!files[@]}"; do
    name=$(basename "${files[$i]}")
    "$packer" "${files[$i]}" "$work/szdd/$i" "${name: -1}"
done
szdd_time=$(seconds $(($(now) - start)))

start=$(now)
for i in "${!files[@]}"; do
    (cd "$work/ms/$i" && mscompress "$(basename "${files[$i]}")")
done
ms_time=$(seconds $(($(now) - start)))

expanded=0
szdd_total=0
ms_total=0
for i in "${!files[@]}"; do
    name=$(basename "${files[$i]}")
    expanded=$((expanded + $(stat -c %s "${files[$i]}")))
    szdd_total=$((szdd_total + $(stat -c %s "$work/szdd/$i")))
    ms_total=$((ms_total + $(stat -c %s "$work/ms/$i/${name}_")))
    if ! msexpand < "$work/szdd/$i" | cmp -s - "${files[$i]}"; then
        echo "$0: szdd_pack output of ${files[$i]} does not expand back" >&2
        exit 1
    fi
done

percent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", 100 * a / b }'; }

echo "files: ${#files[@]}"
echo "expanded bytes: $expanded"
if [ "$expanded" -gt 0 ]; then
    echo "szdd_pack bytes: $szdd_total ($(percent "$szdd_total" "$expanded")% of expanded), $szdd_time s"
    echo "mscompress bytes: $ms_total ($(percent "$ms_total" "$expanded")% of expanded), $ms_time s"
else
    echo "szdd_pack bytes: $szdd_total, $szdd_time s"
    echo "mscompress bytes: $ms_total, $ms_time s"
fi
echo "szdd_pack / mscompress: $(awk -v a="$szdd_total" -v b="$ms_total" 'BEGIN { printf "%.4f", a / b }')"
echo "saved by szdd_pack: $((ms_total - szdd_total)) bytes"
