#!/usr/bin/env bash
# Builds the current commit twice, in two fresh clones at paths of different
# lengths, seconds apart, under different time zones and umasks, and fails
# unless Quorvane.exe, the release ZIP, the installer package and SHA256SUMS
# come out the same to the byte. Uncommitted changes are not part of either build.
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
