#!/usr/bin/env bash
# Installs what building and testing the setup needs on Debian 12. Safe to
# run again: it only installs what is missing. Needs root.
set -euo pipefail

# The Wine prefixes are 64-bit (WoW64), as our users' Windows is: wine64 runs
# Wine's own programs and services there, natively; wine32 runs the setup,
# its programs and the tests, which are 32-bit.
packages=(
    cmake make g++ pkg-config
    g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-tools
    wine wine32:i386 wine64 wine32-preloader:i386 qemu-user-static
    xvfb xauth x11-utils imagemagick
    googletest libgtest-dev
    mscompress libmspack-dev
    netpbm libimage-exiftool-perl
    clang-14 libclang-rt-14-dev
    osslsigncode openssl
)

# A mirror in the middle of a sync serves an index that does not match its
# Release file. The update is tried a few times; if an index still fails, the
# install goes on with the others and leaves the suite of the failed one out:
# with one architecture's index of a suite missing, the other's newer
# versions would leave the amd64/i386 pairs (libssl3, zlib1g) unresolvable.
apt_log=$(mktemp)
unread_suites=$(mktemp)
trap 'rm -f "$apt_log" "$unread_suites"' EXIT

update_package_lists() {
    local attempt
    for attempt in 1 2 3; do
        apt-get update -qq >"$apt_log" 2>&1 && break
        [ $attempt -lt 3 ] && sleep $((attempt * 10))
    done
    : >"$unread_suites"
    local suite
    for suite in $(sed -n 's|^[EW]: Failed to fetch .*/dists/\([^/]*\)/.*|\1|p' "$apt_log" | sort -u); do
        echo "install_deps.sh: the package index of $suite could not be read; installing without that suite" >&2
        printf 'Package: *\nPin: release n=%s\nPin-Priority: -1\n\nPackage: *\nPin: release a=%s\nPin-Priority: -1\n\n' \
            "$suite" "$suite" >>"$unread_suites"
    done
}

# Installs the packages named, from the suite given with -t if any; on failure
# says what to do in one sentence.
install_packages() {
    if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            -o Dir::Etc::Preferences="$unread_suites" "$@" >"$apt_log" 2>&1; then
        tail -n 5 "$apt_log" >&2
        echo "install_deps.sh: apt could not install ${*}. This is most likely the mirror's side: while it syncs, one architecture's index can stand behind the other's, and then the amd64/i386 pairs cannot be resolved. Run the same command again in an hour or so." >&2
        exit 1
    fi
}

# Some virtual machines start no 32-bit Linux programs, Wine's 32-bit loader
# among them. There the loader runs under qemu's i386 user emulation, from
# qemu 8 on: older versions mishandle the signals by which Wine raises
# Windows exceptions. Debian 12 has such a qemu in its backports.
runs_i386_natively() {
    unshare --user --map-root-user --mount --fork bash -c \
        'mount -t binfmt_misc none /proc/sys/fs/binfmt_misc && /lib/ld-linux.so.2 --help' >/dev/null 2>&1 \
        || { [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && /lib/ld-linux.so.2 --help >/dev/null 2>&1; }
}

qemu_major() {
    /usr/bin/qemu-i386-static --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p'
}

enable_i386_loader() {
    runs_i386_natively && return 0
    local entry=/proc/sys/fs/binfmt_misc/qemu-i386
    if [ "$(qemu_major)" = "" ] || [ "$(qemu_major)" -lt 8 ]; then
        echo "deb http://deb.debian.org/debian bookworm-backports main" > /etc/apt/sources.list.d/bookworm-backports.list
        update_package_lists
        install_packages -t bookworm-backports qemu-user-static
        # Registered with the F flag, an entry keeps the qemu it was made
        # with: renew it so that it uses the one installed now.
        [ -e $entry ] && echo -1 > $entry
    fi
    [ -e $entry ] && return 0
    [ -e /proc/sys/fs/binfmt_misc/register ] || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > /proc/sys/fs/binfmt_misc/register
}

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    enable_i386_loader
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Run this as root (packages are missing)." >&2
    exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
update_package_lists
install_packages "${missing[@]}"
enable_i386_loader
