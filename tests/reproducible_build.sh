#!/usr/bin/env bash
# Builds VelloranSetup.exe once more from scratch, in a fresh build folder at
# a path of another length and at another time, the way tools/build.sh
# configures (the MinGW-w64 toolchain file, Release), and compares it byte for
# byte with an unsigned VelloranSetup.exe built before. A time stamp, a build
# path or anything random that gets into the program makes them differ; the
# first difference is named with the header field, section or resource it
# lies in. The fresh folder stays for tests/signed_build.sh.
#   tests/reproducible_build.sh <source folder> <VelloranSetup.exe built before> <fresh build folder>
set -euo pipefail
root=$(cd "${1:?source folder}" && pwd)
first=$(realpath "${2:?VelloranSetup.exe built before}")
build=${3:?fresh build folder}
cmake=${CMAKE:-cmake}
# A date given from outside would hide a time stamp that gets into the program.
unset SOURCE_DATE_EPOCH

# Different lengths, so that a path in the program would also move what follows it.
before=$(dirname "$first")
[ ${#build} -ne ${#before} ] ||
    { echo "FAIL: the fresh build folder must lie at a path of another length" >&2; exit 1; }

rm -rf "$build"
mkdir -p "$build"
log=$build.log
if ! { "$cmake" -S "$root" -B "$build" --toolchain "$root/cmake/mingw-w64-i686.cmake" \
           -DCMAKE_BUILD_TYPE=Release &&
       "$cmake" --build "$build" --target setup -j"$(nproc)"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "FAIL: the build in $build failed" >&2
    exit 1
fi

second=$build/VelloranSetup.exe
if cmp -s "$first" "$second"; then
    echo "PASS: both builds made the same VelloranSetup.exe ($(stat -c %s "$first") bytes)"
    exit 0
fi

# Where the two part. Every byte of the file is put down to the smallest
# place that holds it: a header field the linker writes, a section, a
# resource in .rsrc; the first difference is named with its place, and the
# differing bytes are counted by place.
size1=$(stat -c %s "$first")
size2=$(stat -c %s "$second")
echo "FAIL: the two builds of VelloranSetup.exe differ (sizes $size1 and $size2 bytes)" >&2

pe=$(od -An -tu4 -j60 -N4 "$first" | tr -d ' ')
places=$( {
    echo "$((pe + 8)) 4 PE header: time stamp"
    echo "$((pe + 88)) 4 PE header: checksum"
    bash "$root/tools/pe_places.sh" "$first" | awk '
        $1 == "section" && $5 == "file" {
            if (first == "" || $4 + 0 < first + 0) first = $4
            print $4, $3, "section " $2
        }
        $1 == "resource" { label = $6 (NF > 6 ? " " $7 : ""); print $5, $4, "section .rsrc: " label " " $3 }
        END { print 0, first, "headers" }'
} )

cmp -l "$first" "$second" 2>/dev/null | awk -v places="$places" -v size1="$size1" -v size2="$size2" '
    function place(offset,   i, best) {
        best = 0
        for (i = 1; i <= n; ++i)
            if (offset >= at[i] && offset < at[i] + length_[i] && (!best || length_[i] < length_[best]))
                best = i
        return best
    }
    BEGIN {
        n = split(places, lines, "\n")
        for (i = 1; i <= n; ++i) {
            split(lines[i], f, " ")
            at[i] = f[1]; length_[i] = f[2]; label[i] = lines[i]
            sub(/^[0-9]+ [0-9]+ /, "", label[i])
        }
    }
    {
        offset = $1 - 1; p = place(offset)
        name = p ? label[p] : "padding between sections"
        if (!differing++)
            printf "  first difference at file offset %d (0x%x): %s%s\n", offset, offset, name,
                   p ? sprintf(", byte %d of %d", offset - at[p], length_[p]) : "" > "/dev/stderr"
        if (!(name in count)) order[++places_] = name
        count[name]++
    }
    END {
        if (!differing) {
            shorter = size1 < size2 ? size1 : size2
            printf "  the same up to byte %d, where the shorter one ends\n", shorter > "/dev/stderr"
            exit
        }
        printf "  %d bytes differ%s, by place:\n", differing,
               size1 != size2 ? " in the common length" : "" > "/dev/stderr"
        for (i = 1; i <= places_ && i <= 12; ++i)
            printf "    %6d  %s\n", count[order[i]], order[i] > "/dev/stderr"
        if (places_ > 12)
            printf "    ... and %d more places\n", places_ - 12 > "/dev/stderr"
    }'
exit 1
