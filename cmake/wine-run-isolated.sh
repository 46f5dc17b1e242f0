#!/usr/bin/env bash
# Runs a Windows test program in a Wine session of its own: the prefix's server is stopped before
# and after. Drive letters that a test removes stay listed until the session that saw them ends,
# so tests that map drives each start from the prefix's own C: and Z: this way.
# Usage: wine-run-isolated.sh PREFIX PROGRAM.exe [ARGS...]
set -u
source "$(dirname "$0")/../scripts/wine-env.sh"
# Wine reads its DLL load order from the Unix environment alone, so a test that needs native DLLs
# preferred for some names gets them from here ("name1,name2=n,b").
if [ -n "${TARNVIK_WINE_PREFER_NATIVE:-}" ]; then
    export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$TARNVIK_WINE_PREFER_NATIVE"
fi
export WINEPREFIX=$1
shift
prepare_wine_prefix "$WINEPREFIX" N
wineserver -k 2>/dev/null
wineserver -w
start_wine_session "$WINEPREFIX"
wine "$@"
status=$?
wineserver -k 2>/dev/null
wineserver -w
exit $status
