#!/usr/bin/env bash
# Gives the tests' Wine prefix three more drives, or takes them away again:
#   D:  a folder holding a known tree of folders
#   E:  a small tmpfs, for a disk that fills up in the middle of the copy
#   F:  a read-only mount, for a disk that takes nothing
# Usage: extra_drives.sh up|down DRIVES_FOLDER
# The mounts need root; without them E: and F: are left out, and the
# scenarios that need them say they were skipped.
set -euo pipefail
: "${WINEPREFIX:?}"
mode=$1
base=$2
devices=$WINEPREFIX/dosdevices
full=$base/full
readonly_mount=$base/readonly
readonly_source=$base/readonly-source
# Room for the first few files of the payload and not for all of them.
FULL_DISK_SIZE=768k

take_down() {
    rm -f "$devices/d:" "$devices/e:" "$devices/f:"
    for mount in "$full" "$readonly_mount"; do
        if mountpoint -q "$mount"; then
            umount "$mount"
        fi
    done
    rm -rf "$base"
}

bring_up() {
    take_down
    mkdir -p "$base/d/SUB/Inner" "$base/d/PROGRAMS/Deep/Deeper" \
             "$base/d/PROGRAMS/!first/Inside" "$base/d/PROGRAMS/zzz/Inside"
    echo "a file is never listed" > "$base/d/PROGRAMS/notes.txt"
    ln -s "$base/d" "$devices/d:"

    mkdir -p "$full" "$readonly_mount" "$readonly_source/Existing"
    if mount -t tmpfs -o "size=$FULL_DISK_SIZE" velloran-e2e-full "$full" 2>/dev/null; then
        ln -s "$full" "$devices/e:"
    else
        echo "no tmpfs mount here: drive E: left out"
    fi
    if mount --bind "$readonly_source" "$readonly_mount" 2>/dev/null &&
       mount -o remount,bind,ro "$readonly_mount" 2>/dev/null; then
        ln -s "$readonly_mount" "$devices/f:"
    else
        mountpoint -q "$readonly_mount" && umount "$readonly_mount"
        echo "no read-only mount here: drive F: left out"
    fi
}

case $mode in
    up)   bring_up ;;
    down) take_down ;;
    *)    echo "usage: $0 up|down DRIVES_FOLDER" >&2; exit 2 ;;
esac
