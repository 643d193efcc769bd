#!/usr/bin/env bash
# Builds Quorvane.exe and runs it under Wine: the 32-bit release where this
# machine runs 32-bit code, otherwise the 64-bit build (QUORVANE_ARCH=x86 or
# x64 chooses). Uses the current display when there is one, otherwise starts
# a virtual one and leaves it for a viewer. The Wine prefix is
# ~/.quorvane-wine (~/.quorvane-wine64 for the 64-bit build) unless
# WINEPREFIX is set.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=$(scripts/windows_arch.sh)
export QUORVANE_ARCH=$arch
scripts/setup.sh
exe=$(scripts/build-windows.sh | tail -n 1)

if [ "$arch" = x64 ]; then
    echo "Running the 64-bit build: this machine runs no 32-bit code, or QUORVANE_ARCH=x64 asked for it" >&2
    export WINEPREFIX=${WINEPREFIX:-$HOME/.quorvane-wine64}
    new_prefix=(env WINEARCH=win64)
    # Debian's wine starts its 32-bit loader whenever wine32 is installed.
    wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
else
    echo "Running the 32-bit release" >&2
    export WINEPREFIX=${WINEPREFIX:-$HOME/.quorvane-wine}
    new_prefix=(env)
    wine=wine
fi
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}
if [ -z "${DISPLAY:-}" ]; then
    display=:77
    Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
    export DISPLAY=$display
    echo "No display: started Xvfb on $DISPLAY (view it with: x11vnc -display $DISPLAY)" >&2
fi
[ -d "$WINEPREFIX" ] || "${new_prefix[@]}" "$wine" wineboot -i >/dev/null 2>&1
echo "Running $exe in $WINEPREFIX" >&2
exec "$wine" "$exe"
