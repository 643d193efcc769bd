#!/usr/bin/env bash
# Builds the current commit twice, in two fresh clones at paths of different
# lengths, seconds apart, under different time zones and umasks, and fails
# unless Quorvane.exe, the release ZIP, the installer package and SHA256SUMS
# come out the same to the byte. Uncommitted changes are not part of either build.
# Then signs the first build's release with a throwaway certificate, commits
# the signatures there, and fails unless the second clone, given that commit,
# builds the same signed bytes and refuses the signatures over other bytes.
# The signed release is left in build/signed-release for the end-to-end tests.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=$(git rev-parse HEAD)
version=$(sed -n 's/^project(Quorvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
outputs=(platform/win32/Quorvane.exe "Quorvane-$version-win32.zip" "Quorvane-$version.msi" SHA256SUMS)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build() { # folder, time zone, umask
    git clone -q "$PWD" "$1"
    git -C "$1" checkout -q --detach "$commit"
    (cd "$1" && umask "$3" && TZ=$2 QUORVANE_ARCH=x86 scripts/build-windows.sh >/dev/null 2>&1) ||
        { echo "build in $1 failed" >&2; exit 1; }
}

first="$work/q"
second="$work/a-much-longer-folder-name/for-the-second-build"
build "$first" UTC 022
sleep 2 # a later second, so a build time that reached the files would show
build "$second" Pacific/Kiritimati 077
for output in "${outputs[@]}"; do
    cmp "$first/build/windows/$output" "$second/build/windows/$output" ||
        { echo "not reproducible: $output differs between two builds of $commit" >&2; exit 1; }
done
echo "reproducible: ${outputs[*]} identical in two builds of ${commit:0:12}" \
     "(ZIP $(sha256sum "$first/build/windows/${outputs[1]}" | cut -c1-16)...," \
     "package $(sha256sum "$first/build/windows/${outputs[2]}" | cut -c1-16)...)"

# A throwaway CA and code-signing certificate, made here: no key is kept
# in the repository.
keys="$work/keys"
mkdir "$keys"
password=throwaway
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$keys/ca.key" -out "$keys/ca.pem" -days 2 \
    -subj "/CN=Quorvane throwaway CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign" 2>/dev/null
openssl req -new -newkey rsa:2048 -nodes -keyout "$keys/signer.key" -out "$keys/signer.csr" \
    -subj "/CN=Quorvane throwaway signer" 2>/dev/null
printf 'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
    >"$keys/signer.ext"
openssl x509 -req -in "$keys/signer.csr" -CA "$keys/ca.pem" -CAkey "$keys/ca.key" \
    -CAcreateserial -days 2 -extfile "$keys/signer.ext" -out "$keys/signer.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$keys/signer.key" -in "$keys/signer.pem" -certfile "$keys/ca.pem" \
    -out "$keys/signer.p12" -passout "pass:$password"

signed=(platform/win32/Quorvane.exe "Quorvane-$version.msi")
(cd "$first" && QUORVANE_SIGN_PASSWORD=$password scripts/sign-release.sh "$keys/signer.p12" \
    >"$work/sign.log" 2>&1) || { cat "$work/sign.log" >&2; echo "scripts/sign-release.sh failed" >&2; exit 1; }
for output in "${signed[@]}"; do
    osslsigncode verify -CAfile "$keys/ca.pem" -in "$first/build/windows/$output" >/dev/null 2>&1 ||
        { echo "osslsigncode does not accept the signed $output" >&2; exit 1; }
done
python3 scripts/check_hardening.py "$first/build/windows/${signed[0]}"
git -C "$first" add dist/signatures
git -C "$first" -c user.name=release -c user.email=release@localhost commit -q -m signatures
git -C "$second" fetch -q "$first" HEAD
git -C "$second" checkout -q --detach FETCH_HEAD
(cd "$second" && QUORVANE_ARCH=x86 scripts/build-windows.sh >/dev/null 2>&1) ||
    { echo "the build of the commit with its signatures failed" >&2; exit 1; }
for output in "${outputs[@]}"; do
    cmp "$first/build/windows/$output" "$second/build/windows/$output" ||
        { echo "not reproducible: the signed $output differs in a build of the signed commit" >&2; exit 1; }
done

refused() { # what was changed, the signature the build must name
    if (cd "$second" && QUORVANE_ARCH=x86 scripts/build-windows.sh >"$work/refused.log" 2>&1); then
        echo "a build with $1 shipped the release's signatures over other bytes" >&2
        exit 1
    fi
    grep -q "release signature: .*$2 does not sign" "$work/refused.log" ||
        { cat "$work/refused.log" >&2; echo "a build with $1 failed without naming $2" >&2; exit 1; }
    if ls "$second"/build/windows/{*.zip,*.msi,SHA256SUMS} >/dev/null 2>&1; then
        echo "a build with $1 left a download behind" >&2
        exit 1
    fi
}
echo edited >>"$second/dist/ReadMe.txt"
refused "an edited ReadMe" "Quorvane-$version.msi.sig"
git -C "$second" checkout -q dist/ReadMe.txt
# One byte of the linked program changed, as another compiler would change
# it; the build links nothing anew, as the program is newer than its sources.
python3 -c 'import sys
with open(sys.argv[1], "r+b") as program:
    program.seek(0x1000)
    byte = program.read(1)[0]
    program.seek(0x1000)
    program.write(bytes([byte ^ 1]))' "$second/build/windows/${signed[0]}"
refused "another program" Quorvane.exe.sig

kept=build/signed-release
rm -rf "$kept"
mkdir -p "$kept"
cp "$first/build/windows/${signed[0]}" "$first/build/windows/${signed[1]}" "$keys/ca.pem" \
    "$keys/signer.p12" "$kept/"
echo "signed release: accepted by osslsigncode, the same bytes from the commit with its" \
     "signatures, other bytes refused (program $(sha256sum "$kept/Quorvane.exe" | cut -c1-16)...," \
     "package $(sha256sum "$kept/${signed[1]}" | cut -c1-16)...)"
