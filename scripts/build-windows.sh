#!/usr/bin/env bash
# Cross-compiles Quorvane.exe for Windows and prints its path last.
#   scripts/build-windows.sh                   the 32-bit release into
#       build/windows, packed with its ReadMe into
#       build/windows/Quorvane-<version>-win32.zip and, with wixl, into the
#       installer build/windows/Quorvane-<version>.msi, with SHA256SUMS
#       listing both
#   QUORVANE_ARCH=x64 scripts/build-windows.sh the 64-bit build into
#       build/windows-x64 (no package: it is not what is released)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${QUORVANE_ARCH:-x86}" in
    x86) build=build/windows toolchain=cmake/mingw-i686.cmake ;;
    x64) build=build/windows-x64 toolchain=cmake/mingw-x86_64.cmake ;;
    *) echo "QUORVANE_ARCH must be x86 or x64, not '$QUORVANE_ARCH'" >&2; exit 2 ;;
esac
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
if [ "$build" = build/windows ]; then
    command -v wixl >/dev/null ||
        { echo "wixl is missing, so the installer cannot be built: run scripts/setup.sh" >&2; exit 1; }
    cmake --build "$build" --target package >/dev/null
    echo "Release package: $(ls "$PWD"/build/windows/Quorvane-*-win32.zip)" >&2
    echo "Installer: $(ls "$PWD"/build/windows/Quorvane-*.msi)" >&2
fi
echo "$PWD/$build/platform/win32/Quorvane.exe"
