#!/usr/bin/env bash
# Prints which Windows build this machine can run under Wine: x86 (the
# 32-bit release) where it runs 32-bit x86 code, otherwise x64. Some
# kernels cannot start any 32-bit program; a 64-bit Wine still works there.
# QUORVANE_ARCH=x86 or x64 forces the choice. Fails, saying why, on a
# machine that can run neither.
set -euo pipefail

# The smallest 32-bit x86 Linux program: one loadable segment whose code is
# exit(42). The kernel either runs it, and 42 comes back, or refuses it
# ("Exec format error"). Asking it is the only sure way: nothing in a
# version string says whether IA-32 emulation is built in or switched on.
runs_32bit_code() {
    local probe status=0
    probe=$(mktemp)
    printf '%b' \
        '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
        '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
        '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
        '\x00\x00\x00\x00' \
        '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
        '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
        '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

runs_64bit_code() {
    [ "$(uname -m)" = x86_64 ]
}

case "${QUORVANE_ARCH:-}" in
    x86)
        runs_32bit_code ||
            { echo "QUORVANE_ARCH=x86, but this machine cannot run 32-bit x86 programs" >&2; exit 1; }
        echo x86 ;;
    x64)
        runs_64bit_code ||
            { echo "QUORVANE_ARCH=x64, but this machine is $(uname -m), not x86_64" >&2; exit 1; }
        echo x64 ;;
    "")
        if runs_32bit_code; then
            echo x86
        elif runs_64bit_code; then
            echo x64
        else
            echo "this machine ($(uname -m)) runs neither 32- nor 64-bit x86 programs," \
                 "so Wine cannot run Quorvane.exe here" >&2
            exit 1
        fi ;;
    *)
        echo "QUORVANE_ARCH must be x86 or x64, not '$QUORVANE_ARCH'" >&2
        exit 2 ;;
esac
