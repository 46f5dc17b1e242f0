#!/usr/bin/env bash
# The benchmark's data: an image of a few large and a few thousand small files, the same mix as
# additional files, a tiny image, and an image shaped like a Windows installer (UDF, a large
# install.wim, a thousand small files; sparse, since only its listing is timed). Full: a 1 GiB
# image and tree and a 6 GiB installer. Quick: the same shapes at a sixteenth, a 2 GiB installer.
# Made once; kept between runs.
# Usage: make_data.sh FOLDER [quick]
set -euo pipefail
out=$1
if [ "${2:-}" = quick ]; then
    # 4 x 12.5 MiB and 188 x 68 KiB: about 62 MiB.
    large_bytes=13107200 small_count=188 image=bench-quick.iso installer=installer-quick.iso wim=1G
else
    # 4 x 200 MiB and 3000 x 68 KiB: about 1 GiB (999 MiB).
    large_bytes=209715200 small_count=3000 image=bench-1g.iso installer=installer-6g.iso wim=5G
fi

make_installer() {
    [ -f "$out/$installer" ] && return
    local tree=$out/installer
    rm -rf "$tree"
    mkdir -p "$tree/sources" "$tree/boot" "$tree/efi/boot"
    truncate -s "$wim" "$tree/sources/install.wim"
    truncate -s 900M "$tree/sources/boot.wim"
    local i
    for i in $(seq 1000); do
        printf 'installer support file %d\r\n' "$i" >"$tree/sources/support$i.dll"
    done
    printf 'bcd' >"$tree/boot/bcd"
    printf 'efi' >"$tree/efi/boot/bootx64.efi"
    genisoimage -quiet -udf -allow-limited-size -V INSTALLER -o /dev/stdout "$tree" 2>/dev/null |
        cp --sparse=always /dev/stdin "$out/$installer.part"
    mv "$out/$installer.part" "$out/$installer"
    rm -rf "$tree"
}

if [ -f "$out/.complete" ]; then
    make_installer
    exit 0
fi
rm -rf "$out"
mkdir -p "$out"

mix() { # folder
    mkdir -p "$1/large" "$1/small"
    for i in 1 2 3 4; do
        { openssl enc -aes-128-ctr -nosalt -pass pass:"large$i" -in /dev/zero 2>/dev/null || true; } |
            head -c "$large_bytes" > "$1/large/part$i.bin"
    done
    { openssl enc -aes-128-ctr -nosalt -pass pass:small -in /dev/zero 2>/dev/null || true; } |
        head -c $((small_count * 69632)) | split -b 69632 -a 4 -d - "$1/small/file"
    for i in $(seq 0 29); do mkdir -p "$1/small/group$i"; done
    local n=0
    for file in "$1"/small/file*; do
        mv "$file" "$1/small/group$((n % 30))/$(basename "$file").dat"
        n=$((n + 1))
    done
}

mix "$out/image"
xorriso -as mkisofs -J -R -V BENCH -o "$out/$image" "$out/image" >/dev/null 2>&1
mix "$out/work/TarnvikAddFiles"
mkdir -p "$out/tiny"
printf 'tiny\r\n' > "$out/tiny/readme.txt"
xorriso -as mkisofs -J -R -V TINY -o "$out/tiny.iso" "$out/tiny" >/dev/null 2>&1
make_installer
touch "$out/.complete"
