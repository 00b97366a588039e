#!/usr/bin/env bash
# Signs one program with Authenticode, SHA-256, through osslsigncode:
#   tools/sign.sh <PKCS#12 file> <description> <program> <signed program>
# The build runs it (cmake/signing.cmake). The certificate's password comes
# from file descriptor 9, which tools/build.sh opens on it (never from the
# environment or a command line; osslsigncode reads it there as well), and
# the RFC 3161 time-stamping server, if any, from VELLORAN_SIGN_TIMESTAMP,
# both read at build time so that neither is kept in the build folder. The description is the name Windows shows
# for the program in the elevation prompt.
# The two paths may be the same: the program is then signed in place, and
# deleted if that fails, so that the next build links it again instead of
# leaving it unsigned.
set -euo pipefail
if [ $# -ne 4 ]; then
    echo "usage: tools/sign.sh <PKCS#12 file> <description> <program> <signed program>" >&2
    exit 2
fi
pfx=$1 description=$2 program=$3 signed=$4
information_url=https://velloran.example.com/

fail() {
    echo "sign.sh: $*" >&2
    [ "$program" != "$signed" ] || rm -f "$program"
    exit 1
}
# /dev/fd/9 opens the password file anew, from its start, for every program.
[ -r /dev/fd/9 ] || fail "no password on file descriptor 9 (tools/build.sh opens it); it unlocks $pfx"
[ -r "$pfx" ] || fail "cannot read the certificate $pfx"

timestamp=()
[ -z "${VELLORAN_SIGN_TIMESTAMP:-}" ] || timestamp=(-ts "$VELLORAN_SIGN_TIMESTAMP")
partial=$signed.signing
if ! osslsigncode sign -pkcs12 "$pfx" -readpass /dev/fd/9 -h sha256 \
        -n "$description" -i "$information_url" "${timestamp[@]}" -in "$program" -out "$partial" \
        >"$partial.log" 2>&1; then
    cat "$partial.log" >&2
    rm -f "$partial" "$partial.log"
    fail "could not sign $program"
fi
rm -f "$partial.log"
mv -f "$partial" "$signed"
