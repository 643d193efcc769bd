#!/usr/bin/env bash
# Cross-compiles Quorvane.exe for 32-bit Windows into build/windows.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j"$(nproc)"
echo "$PWD/build/windows/platform/win32/Quorvane.exe"
