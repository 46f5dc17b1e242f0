#!/usr/bin/env bash
# Benchmarks what Tarnvik itself costs beside the tools it runs: the disk tool's Linux build on
# 256 MiB to 32 GiB images; then under Wine on a private Xvfb display a whole job against 7-Zip
# alone (and its read-back against its extraction), the image check on an installer-shaped image,
# the additional-files copy against CopyFileExW, start-up against a minimal window, the drive
# scan with 1, 6 and 20 drives, and (full data) the split of a real 4.3 GiB install.wim for FAT32
# against 7-Zip alone, its parts then judged by wimlib. Prints markdown tables, then one line of
# the ratios, then wimlib's verdict on the split's parts:
#   ratios: job/7z=R cpu=P% addfiles=R startup=R verify=R split=R wimjob=R
#   wimlib: verify passed, image 1 applied and matched, image 2 applied and matched
# Not part of the test suite.
# Usage: bench/run.sh [RUNS]           1 GiB data (about 3 GiB, and a 4.4 GiB installer, made
#                                      once), RUNS runs (default 5)
#        bench/run.sh --quick [RUNS]   the same on a sixteenth of the data (default 3 runs),
#                                      shorter idle windows, no drive scan, no split (the shipped
#                                      program splits only images FAT32 cannot hold)
#        bench/run.sh --wim [RUNS]     the split alone (default 1 run)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --quick ]; then
    shift
    runs=${1:-3} data=$PWD/build/bench-data-quick scale=quick
    files=(bench-quick.iso installer-quick.iso quick)
elif [ "${1:-}" = --wim ]; then
    shift
    runs=${1:-1} data=$PWD/build/bench-data scale=wim
    files=(bench-1g.iso installer-6g.iso wim installer-wim.iso)
else
    runs=${1:-5} data=$PWD/build/bench-data scale=full
    files=(bench-1g.iso installer-6g.iso full installer-wim.iso)
fi
scripts/setup.sh
export TARNVIK_BENCH_SET_UP=1
# Configured once; the build step configures again when the lists change.
[ -f build/win64/build.ninja ] || cmake --preset win64 >/dev/null
cmake --build --preset win64 --target bench_driver minimal_window reference_copy reference_read_back >/dev/null
if [ "$scale" = wim ]; then
    [ -f "$data/installer-wim.iso" ] || echo "Preparing the split's installer once in $data ..." >&2
else
    [ -f "$data/.complete" ] || echo "Preparing the $scale data once in $data ..." >&2
fi
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
if [ "$scale" != wim ]; then
    bench/disk_format.sh "$runs"
    echo
fi
echo "## Tarnvik under Wine"
echo
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    source scripts/wine-env.sh
    start_wine_session "$WINEPREFIX"
    wine build/win64/bench_driver.exe "$(winepath -w "$0")" "$@"
    status=$?
    wineserver -k 2>/dev/null
    exit $status' "$data" "$runs" "${files[@]}"

# wimlib, the independent judge, on the parts of the last split (the driver moved them here):
# the set verifies, and each image applies to the files that were captured, no more, no fewer.
if [ "$scale" != quick ]; then
    parts=$data/installer-wim-parts judge=$data/installer-wim-judged
    rm -rf "$judge"
    mkdir -p "$judge"
    if wimlib-imagex verify "$parts/install.swm" --ref="$parts/install*.swm" >"$judge/verify.log" 2>&1; then
        verdict="verify passed"
    else
        verdict="verify FAILED ($(tail -1 "$judge/verify.log"))"
    fi
    for image in 1 2; do
        sums=$data/installer-wim-image$image.sha256 applied=$judge/image$image
        if ! wimapply "$parts/install.swm" $image "$applied" --ref="$parts/install*.swm" >/dev/null 2>&1; then
            verdict+=", image $image FAILED to apply"
        elif (cd "$applied" && sha256sum -c --quiet "$sums" >/dev/null 2>&1) &&
            [ "$(cd "$applied" && find . -type f | LC_ALL=C sort)" = "$(cut -c67- "$sums" | LC_ALL=C sort)" ]; then
            verdict+=", image $image applied and matched"
        else
            verdict+=", image $image applied but DIFFERS from what was captured"
        fi
        rm -rf "$applied"
    done
    rm -rf "$judge" "$parts"
    echo "wimlib: $verdict"
fi
