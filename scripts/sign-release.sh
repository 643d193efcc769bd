#!/usr/bin/env bash
# Signs the release of the checked-out commit with an Authenticode
# code-signing certificate and writes the detached signatures, to be
# committed, so that anyone who builds that commit gets the signed bytes:
#   QUORVANE_SIGN_PASSWORD=... scripts/sign-release.sh CERT.p12
# writes dist/signatures/<version>/Quorvane.exe.sig and
# Quorvane-<version>.msi.sig and leaves the signed release in build/windows.
# QUORVANE_TIMESTAMP_URL names an RFC 3161 timestamp server (none by
# default), so that the signatures outlive the certificate.
# The password reaches osslsigncode through a pipe; nothing but the
# signatures and the release is written.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "sign-release: $*" >&2
    exit 1
}

[ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: scripts/sign-release.sh CERT.p12" >&2; exit 2; }
certificate=$(realpath "$1")
command -v osslsigncode >/dev/null || fail "osslsigncode is missing: run scripts/setup.sh"
# Signatures over sources nobody else has could never be rebuilt.
[ -z "$(git status --porcelain -- . ':(exclude)dist/signatures')" ] ||
    fail "commit or put away your changes first: the release is built from the commit"
version=$(sed -n 's/^project(Quorvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
signatures=dist/signatures/$version
exe=build/windows/platform/win32/Quorvane.exe
msi=build/windows/Quorvane-$version.msi
exe_signature=$signatures/Quorvane.exe.sig
msi_signature=$signatures/Quorvane-$version.msi.sig

work=$(mktemp -d)
done=0
# A run that stops half way leaves no signature of it to be committed.
trap 'rm -rf "$work"; [ "$done" = 1 ] || rm -f "$exe_signature" "$msi_signature"' EXIT

build() {
    QUORVANE_ARCH=x86 scripts/build-windows.sh >"$work/build.log" 2>&1 ||
        { cat "$work/build.log" >&2; fail "the build failed"; }
}

sign() { # unsigned file, signed copy
    local options=(-pkcs12 "$certificate" -h sha256)
    [ -z "${QUORVANE_TIMESTAMP_URL:-}" ] || options+=(-ts "$QUORVANE_TIMESTAMP_URL")
    # osslsigncode reads no empty password from a file: a certificate
    # without one is opened without the option.
    [ -z "${QUORVANE_SIGN_PASSWORD:-}" ] || options+=(-readpass /dev/stdin)
    printf '%s' "${QUORVANE_SIGN_PASSWORD:-}" |
        osslsigncode sign "${options[@]}" -in "$1" -out "$2" >"$work/sign.log" 2>&1 ||
        { cat "$work/sign.log" >&2; fail "osslsigncode could not sign $1"; }
}

# The program first, unsigned; then the packages around the signed program,
# and the installer signed last, each built by the same steps as any rebuild.
rm -f "$exe_signature" "$msi_signature"
build
sign "$exe" "$work/Quorvane.exe"
mkdir -p "$signatures"
python3 scripts/release_signatures.py extract "$work/Quorvane.exe" "$exe_signature"
build
cmp -s "$exe" "$work/Quorvane.exe" ||
    fail "the build put the program's signature on otherwise than osslsigncode did"
sign "$msi" "$work/package.msi"
osslsigncode extract-signature -in "$work/package.msi" -out "$msi_signature" >/dev/null 2>&1 ||
    fail "osslsigncode could not take the installer's signature off again"
build
cmp -s "$msi" "$work/package.msi" ||
    fail "the build put the installer's signature on otherwise than osslsigncode did"
done=1
echo "signed release in build/windows:" >&2
cat build/windows/SHA256SUMS >&2
echo "commit $signatures, then tag and publish that commit's release" >&2
