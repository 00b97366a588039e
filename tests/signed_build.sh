#!/usr/bin/env bash
# Builds VelloranSetup.exe signed, as a release engineer would: through
# tools/build.sh, with a code-signing certificate made here for this run, in
# the unsigned build folder given, which so turns signed by an incremental
# rebuild. Then checks the Authenticode signature of the setup and of each
# program inside it, taken out of the setup's resources and expanded. A
# program changed after it was signed fails the check too.
#   tests/signed_build.sh <source folder> <unpack_payload program> <build folder>
set -euo pipefail
root=$(cd "$1" && pwd)
unpack=$2
build=${3:?build folder}

work=$(mktemp -d "${TMPDIR:-/tmp}/velloran-signed.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

subject="Velloran Test Signing $$"
password="test-$RANDOM-$RANDOM"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$subject" \
    -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature \
    -keyout "$work/key.pem" -out "$work/certificate.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" \
    -out "$work/signing.pfx" -passout "pass:$password"

if ! VELLORAN_BUILD="$build" VELLORAN_SIGN_PFX="$work/signing.pfx" VELLORAN_SIGN_PASSWORD="$password" \
        bash "$root/tools/build.sh" --target setup >"$work/build.log" 2>&1; then
    tail -n 40 "$work/build.log" >&2
    echo "FAIL: the signed build failed" >&2
    exit 1
fi

# Signed by the certificate above, with SHA-256, and unchanged since.
verify() {
    local program=$1 name=$2 report=$work/verify.log
    if ! osslsigncode verify -CAfile "$work/certificate.pem" -in "$program" >"$report" 2>&1; then
        fail "$name: the signature does not verify"
        sed 's/^/    /' "$report" >&2
        return
    fi
    grep -q "Signature verification: ok" "$report" || fail "$name: osslsigncode did not say the signature is good"
    grep -q "Message digest algorithm *: SHA256" "$report" || fail "$name: not signed with SHA-256"
    grep -q "Subject: /CN=$subject\$" "$report" || fail "$name: not signed with the test certificate"
    echo "signed: $name ($(stat -c %s "$program") bytes)"
}

setup=$build/VelloranSetup.exe
verify "$setup" VelloranSetup.exe

# The programs of this build among the payload rows: row i is resource FILE<i>.
programs=$(awk '!/^[ \t]*(#|$)/ { if ($3 ~ /^program:/) print row, substr($2, 2); ++row }' \
           "$root/payload/manifest.txt")
[ "$(wc -l <<<"$programs")" -eq 2 ] || fail "the manifest should name two programs: $programs"
while read -r row name; do
    if "$unpack" "$setup" "FILE$row" "$work/$name"; then
        verify "$work/$name" "$name (payload row $row)"
    else
        fail "$name: cannot take payload row $row out of the setup"
    fi
done <<<"$programs"

if [ $failures -ne 0 ]; then
    echo "FAIL: $failures problems with the signed build" >&2
    exit 1
fi
echo "PASS: VelloranSetup.exe and the programs inside it are signed"
