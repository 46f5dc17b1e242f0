#!/usr/bin/env bash
# Sets up, builds and runs every test: the core natively under sanitizers, then the Windows
# program and its tests under Wine on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset host >/dev/null
cmake --build --preset host
ctest --preset host
# The fuzz targets (built by the host build in build/host/fuzz) for about 20 s each, two at a time.
ctest --test-dir build/host/fuzz -j2 --output-on-failure --no-tests=error

cmake --preset win64 >/dev/null
cmake --build --preset win64
# The product alone, as Windows users build it: no test dependency within reach.
scripts/product-build.sh

source scripts/wine-env.sh
export WINEPREFIX=$PWD/build/win64/wineprefix
prepare_wine_prefix "$WINEPREFIX" N
# The display and the Wine server are this run's own, and both are stopped at its end.
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    source scripts/wine-env.sh
    start_wine_session "$WINEPREFIX"
    ctest --preset win64 -j2
    status=$?
    wineserver -k 2>/dev/null
    exit $status'
