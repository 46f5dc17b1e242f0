#!/usr/bin/env bash
# Benchmarks the disk tool's Linux build: the format, MBR and boot-record runs on sparse images of
# 256 MiB, 8 GiB and 32 GiB, on this machine's disk. Times the tool as it ships: built apart in
# build/bench-disk, optimised and without the host tree's sanitizers. Prints a markdown table of
# medians, minima and maxima over RUNS runs. Not part of the test suite; bench/run.sh calls it.
# Usage: bench/disk_format.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
[ -n "${TARNVIK_BENCH_SET_UP:-}" ] || scripts/setup.sh
# -O2: GCC 12 warns falsely (-Wrestrict) on a string concatenation at -O3.
[ -f build/bench-disk/build.ninja ] ||
    cmake -S . -B build/bench-disk -G Ninja -DCMAKE_BUILD_TYPE=Release \
        "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DTARNVIK_TESTS=OFF -DTARNVIK_SANITIZE=OFF >/dev/null
cmake --build build/bench-disk --target tarnvik-disk >/dev/null
tool=$PWD/build/bench-disk/tarnvik-disk
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Milliseconds of one run of the tool, to a tenth.
timed() {
    local start end
    start=$(date +%s%N)
    "$tool" "$@" >/dev/null
    end=$(date +%s%N)
    echo "$(((end - start) / 100000))" | sed 's/.$/.&/'
}
summary() { sort -n | awk '{a[NR]=$1} END {printf "%.1f | %.1f | %.1f", a[int((NR+1)/2)], a[1], a[NR]}'; }

echo "## Disk tool, Linux build (-O2, no sanitizers), $runs runs"
echo
echo "| image | run | median ms | min ms | max ms |"
echo "|---|---|---|---|---|"
for size in 256M 8G 32G; do
    image=$work/stick-$size.img
    for run in format mbr pbr; do
        : >"$work/times"
        for ((i = 0; i < runs; i++)); do
            [ "$run" = format ] && { rm -f "$image"; truncate -s "$size" "$image"; }
            case $run in
            format) timed --disk "$image" /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=BENCH /quiet ;;
            mbr) timed --disk "$image" /mbr /install /type=nt60 /quiet ;;
            pbr) timed --disk "$image" /pbr /install /type=bootmgr /quiet ;;
            esac >>"$work/times"
        done
        echo "| $size | $run | $(summary <"$work/times") |"
    done
    rm -f "$image"
done
