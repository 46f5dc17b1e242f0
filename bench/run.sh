#!/usr/bin/env bash
# Benchmarks what Tarnvik itself costs beside the tools it runs: a whole job against 7-Zip alone,
# the additional-files copy against CopyFileExW, start-up against a minimal window, and the drive
# scan with 1, 6 and 20 drives. Runs under Wine on a private Xvfb display and prints a markdown
# table. Not part of the test suite. Usage: bench/run.sh [RUNS]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_driver minimal_window reference_copy >/dev/null
data=$PWD/build/bench-data
echo "Preparing the data (about 3 GiB on first use) ..." >&2
bench/make_data.sh "$data"

source scripts/wine-env.sh
export WINEPREFIX=$PWD/build/win64/wineprefix-bench
prepare_wine_prefix "$WINEPREFIX" N

echo "## Tarnvik benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores," \
     "$(free -g | awk '/^Mem:/ {print $2}') GiB memory; $(wine --version) on $(. /etc/os-release && echo "$PRETTY_NAME");" \
     "disk: $(df -h "$data" | awk 'NR==2 {print $1}')"
echo
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    source scripts/wine-env.sh
    start_wine_session "$WINEPREFIX"
    wine build/win64/bench_driver.exe "$(winepath -w "$0")" "$1"
    status=$?
    wineserver -k 2>/dev/null
    exit $status' "$data" "$runs"
