#!/usr/bin/env bash
# Cross-compiles Quorvane.exe for 32-bit Windows into build/windows, and
# packs it with its ReadMe into build/windows/Quorvane-<version>-win32.zip.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j"$(nproc)"
cmake --build build/windows --target package >/dev/null
echo "Release package: $(ls "$PWD"/build/windows/Quorvane-*-win32.zip)" >&2
echo "$PWD/build/windows/platform/win32/Quorvane.exe"
