#!/usr/bin/env bash
# ctest's emulator: runs a Windows test program under Wine in the build's own prefix.
# Usage: wine-run.sh PREFIX PROGRAM.exe [ARGS...]
set -eu
source "$(dirname "$0")/../scripts/wine-env.sh"
prefix=$1
shift
prepare_wine_prefix "$prefix" N
export WINEPREFIX=$prefix
exec wine "$@"
