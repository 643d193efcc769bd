#!/usr/bin/env bash
# Builds Quorvane.exe and runs it under Wine. Uses the current display when
# there is one, otherwise starts a virtual one and leaves it for a viewer.
# The Wine prefix is ~/.quorvane-wine unless WINEPREFIX is set.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exe=$(scripts/build-windows.sh | tail -n 1)

export WINEPREFIX=${WINEPREFIX:-$HOME/.quorvane-wine}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=${WINEDEBUG:--all}
if [ -z "${DISPLAY:-}" ]; then
    display=:77
    Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
    export DISPLAY=$display
    echo "No display: started Xvfb on $DISPLAY (view it with: x11vnc -display $DISPLAY)" >&2
fi
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
echo "Running $exe in $WINEPREFIX" >&2
exec wine "$exe"
