#!/usr/bin/env bash
# Runs every test: unit tests on the host, a bounded fuzzing run of the
# settings-line reader, the release build and its checks, and end-to-end
# tests of Quorvane.exe under Wine on a virtual display of their own: of the
# 32-bit release where this machine runs 32-bit code, otherwise of the
# 64-bit build (QUORVANE_ARCH=x86 or x64 chooses; scripts/windows_arch.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
arch=$(scripts/windows_arch.sh)
export QUORVANE_ARCH=$arch
scripts/setup.sh

fuzz_seconds=${QUORVANE_FUZZ_SECONDS:-60}

echo "== unit tests"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/host -j"$(nproc)"
ctest --test-dir build/host --output-on-failure

echo "== icon, resource and benchmark-report checks"
python3 -m unittest discover -s scripts -p 'test_*.py'
python3 -m unittest discover -s bench -p 'test_*.py'

echo "== fuzzing the settings line for ${fuzz_seconds}s"
CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz --target settings_line_fuzzer -j"$(nproc)"
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp tests/fuzz/regressions/* "$corpus"/ 2>/dev/null || true
# Every input kept under regressions/ runs first, then new ones are searched for.
build/fuzz/tests/fuzz/settings_line_fuzzer tests/fuzz/regressions/* >/dev/null 2>&1 ||
    { echo "a kept fuzz regression fails" >&2; exit 1; }
build/fuzz/tests/fuzz/settings_line_fuzzer -max_total_time="$fuzz_seconds" \
    -artifact_prefix=tests/fuzz/regressions/crash- "$corpus" 2>&1 | tail -n 2

echo "== Windows build and release package"
exe=$(QUORVANE_ARCH=x86 scripts/build-windows.sh | tail -n 1)
version=$(sed -n 's/^project(Quorvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
listing=$(python3 -m zipfile -l "build/windows/Quorvane-$version-win32.zip")
for packed in Quorvane.exe ReadMe.txt; do
    grep -q "^$packed " <<<"$listing" || { echo "release package lacks $packed" >&2; exit 1; }
done
# The installer holds the same program and ReadMe as the ZIP, and
# SHA256SUMS lists both downloads.
installer=$(mktemp -d)
trap 'rm -rf "$corpus" "$installer"' EXIT
msiextract -C "$installer" "build/windows/Quorvane-$version.msi" >/dev/null
python3 -m zipfile -e "build/windows/Quorvane-$version-win32.zip" "$installer/zip"
for packed in Quorvane.exe ReadMe.txt; do
    cmp "$installer/zip/$packed" "$installer/Program Files/Quorvane/$packed" ||
        { echo "the installer's $packed differs from the ZIP's" >&2; exit 1; }
done
for download in "Quorvane-$version-win32.zip" "Quorvane-$version.msi"; do
    grep -q "  $download\$" build/windows/SHA256SUMS ||
        { echo "SHA256SUMS does not list $download" >&2; exit 1; }
done
(cd build/windows && sha256sum --check --quiet SHA256SUMS)

echo "== the 64-bit build, and hardening in both programs' headers"
# Built on every machine, so the 64-bit sources never rot where the tests
# run the 32-bit release.
exe64=$(QUORVANE_ARCH=x64 scripts/build-windows.sh | tail -n 1)
python3 scripts/check_hardening.py "$exe" "$exe64"

echo "== two builds of the commit, the same bytes"
scripts/check_reproducible.sh

if [ "$arch" = x64 ]; then
    echo "== end-to-end tests under Wine, of the 64-bit build: this machine runs no" \
         "32-bit code, or QUORVANE_ARCH=x64 asked for it"
    exe=$exe64
else
    echo "== end-to-end tests under Wine, of the 32-bit release"
fi
QUORVANE_EXE="$exe" python3 tests/e2e/run_e2e.py
