#!/usr/bin/env bash
# Where the bytes of a PE file lie, as MinGW-w64's objdump shows them, one
# place a line (sizes and offsets in decimal):
#   section <name> <size> <file offset> file|memory
#   resource <type id or name> <name or id> <size> <file offset> <type label>
# A section's size is its content (the smaller of its virtual and raw
# sizes); "memory" marks one with no bytes in the file (.bss). A resource is
# named by the first two levels of the resource directory; the label of a
# standard type is its RT_ name ("RT_BITMAP"), of any other "type <id>". Used by
# tools/bench.sh and tests/reproducible_build.sh.
#   tools/pe_places.sh <file.exe>
set -euo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

# Debian's awk is mawk, which reads no hexadecimal: hex() does.
hex='function hex(s,   n, i) { s = tolower(s); sub(/^0x/, "", s); n = 0
         for (i = 1; i <= length(s); ++i) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
         return n }'

headers=$("$objdump" -h "$exe")
details=$("$objdump" -p "$exe")
awk "$hex"'
    $1 ~ /^[0-9]+$/ && NF >= 7 {
        name = $2; size = hex($3); at = hex($6); getline flags
        print "section", name, size, at, (flags ~ /CONTENTS/ ? "file" : "memory")
    }' <<<"$headers"

base=$(awk '$1 == "ImageBase" { print $2 }' <<<"$details")
awk -v base="$base" -v headers="$headers" "$hex"'
    BEGIN {
        split("1 RT_CURSOR 2 RT_BITMAP 3 RT_ICON 4 RT_MENU 5 RT_DIALOG 6 RT_STRING 9 RT_ACCELERATOR " \
              "10 RT_RCDATA 12 RT_GROUP_CURSOR 14 RT_GROUP_ICON 16 RT_VERSION 24 RT_MANIFEST", t, " ")
        for (i = 1; i in t; i += 2) typeName[t[i]] = t[i + 1]
        n = split(headers, lines, "\n")
        for (i = 1; i <= n; ++i) {
            split(lines[i], f, " ")
            if (f[2] == ".rsrc") { rsrcRva = hex(f[4]) - hex(base); rsrcAt = hex(f[6]) }
        }
    }
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
            addr = $4; sub(/,$/, "", addr); size = $6; sub(/,$/, "", size)
            print "resource", type, name, hex(size), rsrcAt + hex(addr) - rsrcRva,
                  (type in typeName) ? typeName[type] : "type " type
        }
    }' <<<"$details"
