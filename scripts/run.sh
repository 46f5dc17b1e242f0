#!/usr/bin/env bash
# Sets up, builds and runs Tarnvik under Wine. Arguments go to Tarnvik (for example: debug).
# With a display it opens in a window there; without one it runs on a private Xvfb display and
# saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Tarnvik run_demo
source scripts/wine-env.sh

if [ -n "${DISPLAY:-}" ]; then
    prefix=$PWD/build/win64/wineprefix-desktop
    prepare_wine_prefix "$prefix" Y
    WINEPREFIX=$prefix exec wine build/win64/Tarnvik.exe "$@"
fi

prefix=$PWD/build/win64/wineprefix-run
prepare_wine_prefix "$prefix" N
export WINEPREFIX=$prefix
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    source scripts/wine-env.sh
    start_wine_session "$WINEPREFIX"
    wine build/win64/run_demo.exe "$@"
    status=$?
    wineserver -k 2>/dev/null
    exit $status' run "$@"
echo "Screenshot: $PWD/build/win64/run/tarnvik.png"
if [ -f build/win64/Tarnvik.log ]; then echo "Log: $PWD/build/win64/Tarnvik.log"; fi
