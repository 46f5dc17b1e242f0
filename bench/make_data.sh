#!/usr/bin/env bash
# The benchmark's data: a 1 GiB image of a few large and a few thousand small files, the same
# mix as 1 GiB of additional files, a tiny image, and a 6 GiB image shaped like a Windows
# installer (UDF, a 5 GiB install.wim, a thousand small files; sparse, since only its listing is
# timed). Made once; kept between runs.
# Usage: make_data.sh FOLDER
set -euo pipefail
out=$1

installer() {
    [ -f "$out/installer-6g.iso" ] && return
    local tree=$out/installer
    rm -rf "$tree"
    mkdir -p "$tree/sources" "$tree/boot" "$tree/efi/boot"
    truncate -s 5G "$tree/sources/install.wim"
    truncate -s 900M "$tree/sources/boot.wim"
    local i
    for i in $(seq 1000); do
        printf 'installer support file %d\r\n' "$i" >"$tree/sources/support$i.dll"
    done
    printf 'bcd' >"$tree/boot/bcd"
    printf 'efi' >"$tree/efi/boot/bootx64.efi"
    genisoimage -quiet -udf -allow-limited-size -V INSTALLER -o /dev/stdout "$tree" 2>/dev/null |
        cp --sparse=always /dev/stdin "$out/installer-6g.iso.part"
    mv "$out/installer-6g.iso.part" "$out/installer-6g.iso"
    rm -rf "$tree"
}

if [ -f "$out/.complete" ]; then
    installer
    exit 0
fi
rm -rf "$out"
mkdir -p "$out"

# Four files of 200 MiB and 3000 of 68 KiB: about 1 GiB (999 MiB) in all.
mix() { # folder
    mkdir -p "$1/large" "$1/small"
    for i in 1 2 3 4; do
        { openssl enc -aes-128-ctr -nosalt -pass pass:"large$i" -in /dev/zero 2>/dev/null || true; } |
            head -c 209715200 > "$1/large/part$i.bin"
    done
    { openssl enc -aes-128-ctr -nosalt -pass pass:small -in /dev/zero 2>/dev/null || true; } |
        head -c $((3000 * 69632)) | split -b 69632 -a 4 -d - "$1/small/file"
    for i in $(seq 0 29); do mkdir -p "$1/small/group$i"; done
    local n=0
    for file in "$1"/small/file*; do
        mv "$file" "$1/small/group$((n % 30))/$(basename "$file").dat"
        n=$((n + 1))
    done
}

mix "$out/image"
xorriso -as mkisofs -J -R -V BENCH -o "$out/bench-1g.iso" "$out/image" >/dev/null 2>&1
mix "$out/work/TarnvikAddFiles"
mkdir -p "$out/tiny"
printf 'tiny\r\n' > "$out/tiny/readme.txt"
xorriso -as mkisofs -J -R -V TINY -o "$out/tiny.iso" "$out/tiny" >/dev/null 2>&1
installer
touch "$out/.complete"
