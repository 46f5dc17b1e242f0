#!/usr/bin/env bash
# Benchmarks what Tarnvik itself costs beside the tools it runs: the disk tool's Linux build on
# 256 MiB to 32 GiB images; then under Wine on a private Xvfb display a whole job against 7-Zip
# alone (and its read-back against its extraction), the image check on an installer-shaped image,
# the additional-files copy against CopyFileExW, start-up against a minimal window, and the drive
# scan with 1, 6 and 20 drives. Prints markdown tables, and last one line of the ratios:
#   ratios: job/7z=R cpu=P% addfiles=R startup=R verify=R
# Not part of the test suite.
# Usage: bench/run.sh [RUNS]           1 GiB data (about 3 GiB made once), RUNS runs (default 5)
#        bench/run.sh --quick [RUNS]   the same on a sixteenth of the data (default 3 runs),
#                                      shorter idle windows, no drive scan
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --quick ]; then
    shift
    runs=${1:-3} data=$PWD/build/bench-data-quick scale=quick
    files=(bench-quick.iso installer-quick.iso quick)
else
    runs=${1:-5} data=$PWD/build/bench-data scale=full
    files=(bench-1g.iso installer-6g.iso)
fi
scripts/setup.sh
export TARNVIK_BENCH_SET_UP=1
# Configured once; the build step configures again when the lists change.
[ -f build/win64/build.ninja ] || cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_driver minimal_window reference_copy reference_read_back >/dev/null
[ -f "$data/.complete" ] || echo "Preparing the $scale data once in $data ..." >&2
bench/make_data.sh "$data" "$scale"

source scripts/wine-env.sh
export WINEPREFIX=$PWD/build/win64/wineprefix-bench
prepare_wine_prefix "$WINEPREFIX" N

echo "# Tarnvik benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $scale data, $runs runs"
echo
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores," \
     "$(free -g | awk '/^Mem:/ {print $2}') GiB memory; $(wine --version) on $(. /etc/os-release && echo "$PRETTY_NAME");" \
     "disk: $(df -h "$data" | awk 'NR==2 {print $1}'); load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
bench/disk_format.sh "$runs"
echo
echo "## Tarnvik under Wine"
echo
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    source scripts/wine-env.sh
    start_wine_session "$WINEPREFIX"
    wine build/win64/bench_driver.exe "$(winepath -w "$0")" "$@"
    status=$?
    wineserver -k 2>/dev/null
    exit $status' "$data" "$runs" "${files[@]}"
