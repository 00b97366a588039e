#!/usr/bin/env bash
# Runs a command so that Wine's 32-bit Linux programs can start on a kernel
# that runs no 32-bit code: they go through the qemu-i386 named by
# VELLORAN_QEMU_I386, registered in a user namespace of this run's own, so
# that the machine's binfmt settings stay as they are. Where the kernel runs
# 32-bit code itself, or no usable qemu is named, the command runs as it is.
# qemu before 8 mishandles the signals by which Wine raises Windows
# exceptions (every failing GoogleTest check raises one), so it is not used.
set -uo pipefail
qemu=${VELLORAN_QEMU_I386:-}

native() {
    # A fresh binfmt_misc knows no interpreter: only the kernel can run it.
    unshare --user --map-root-user --mount --fork bash -c \
        'mount -t binfmt_misc none /proc/sys/fs/binfmt_misc && /lib/ld-linux.so.2 --version' >/dev/null 2>&1
}

if [ -z "$qemu" ] || native; then
    exec "$@"
fi
major=$("$qemu" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
if [ "${major:-0}" -lt 8 ]; then
    echo "run_i386.sh: $qemu cannot be run or is older than qemu 8; running without it" >&2
    exec "$@"
fi

export VELLORAN_QEMU_I386=$qemu
exec unshare --user --map-root-user --mount --fork bash -c '
    mount -t binfmt_misc none /proc/sys/fs/binfmt_misc || exit 125
    echo ":qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$VELLORAN_QEMU_I386:F" \
        > /proc/sys/fs/binfmt_misc/register || exit 125
    exec "$@"' run_i386 "$@"
