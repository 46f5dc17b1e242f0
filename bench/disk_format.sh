#!/usr/bin/env bash
# Benchmarks the disk tool's Linux build: the format, MBR and boot-record runs on sparse images of
# 256 MiB, 8 GiB and 32 GiB, on this machine's disk. Prints a markdown table of medians, minima
# and maxima over RUNS runs. Not part of the test suite. Usage: bench/disk_format.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
scripts/setup.sh
cmake --preset host >/dev/null
cmake --build --preset host --target tarnvik-disk >/dev/null
tool=$PWD/build/host/tarnvik-disk
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Milliseconds of one run of the tool.
timed() {
    local start end
    start=$(date +%s%N)
    "$tool" "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}
summary() { sort -n | awk '{a[NR]=$1} END {printf "%d | %d | %d", a[int((NR+1)/2)], a[1], a[NR]}'; }

echo "## Disk tool benchmark (sanitizer build), $(date -u '+%Y-%m-%d %H:%M UTC'), $runs runs"
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
