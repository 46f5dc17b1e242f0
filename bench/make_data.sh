#!/usr/bin/env bash
# The benchmark's data: an image of a few large and a few thousand small files, the same mix as
# additional files, a tiny image, and an image shaped like a Windows installer (UDF, a large
# install.wim, a thousand small files; sparse, since only its listing is timed). Full: a 1 GiB
# image and tree and a 6 GiB installer, and an installer whose install.wim is real and larger than
# FAT32 takes, for the split. Quick: the same shapes at a sixteenth, a 2 GiB installer, no split.
# wim: the split's installer alone. Made once; kept between runs.
# Usage: make_data.sh FOLDER [quick|wim]
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

random_bytes() { # password count
    # openssl stops on a closed pipe once head has its bytes; that is the way it ends here.
    { openssl enc -aes-128-ctr -nosalt -pass pass:"$1" -in /dev/zero 2>/dev/null || true; } |
        head -c "$2"
}

sums() { # folder
    (cd "$1" && find . -type f -print0 | sort -z | xargs -0 sha256sum)
}

# A Windows installer whose sources\install.wim the shipped program splits for FAT32: two real
# images of pseudo-random data stored as it is (--compress=none), 4.3 GiB and 0.3 GiB of their
# own (4.6 GiB in all), the second sharing some files with the first, in a UDF image. The trees go after the capture;
# their SHA-256 sums stay (installer-wim-image1.sha256, ...) to judge what wimapply gives back.
# Everything named installer-wim* survives a remaking of the rest: it takes minutes to make.
make_wim_installer() {
    local name=installer-wim
    [ -f "$out/$name.iso" ] && return
    local tree=$out/$name-tree one=$out/$name-image1 two=$out/$name-image2 i
    rm -rf "$tree" "$one" "$two"
    mkdir -p "$tree/sources" "$tree/boot" "$tree/efi/boot" "$one/Windows/System32" "$two/Windows"
    # 66 x 64 MiB and 4000 x 52 KiB in 40 folders: 4,427 MiB in 4,066 resources.
    for i in $(seq 66); do
        random_bytes "wim large $i" 67108864 >"$one/Windows/System32/large$i.bin"
    done
    for i in $(seq 0 39); do
        mkdir -p "$one/Windows/WinSxS/group$i"
        random_bytes "wim small $i" $((100 * 53248)) |
            split -b 53248 -a 3 -d --additional-suffix=.dll - "$one/Windows/WinSxS/group$i/file"
    done
    for i in 1 2 3 4 5; do
        random_bytes "wim second $i" 67108864 >"$two/second$i.bin"
    done
    # Shared with the first image: stored once, listed in both.
    mkdir -p "$two/Windows/System32"
    cp "$one/Windows/System32/large1.bin" "$one/Windows/System32/large2.bin" "$two/Windows/System32/"
    cp -r "$one/Windows/WinSxS" "$two/Windows/"
    sums "$one" >"$out/$name-image1.sha256"
    sums "$two" >"$out/$name-image2.sha256"
    wimlib-imagex capture "$one" "$tree/sources/install.wim" "Image 1" --compress=none >/dev/null
    wimlib-imagex append "$two" "$tree/sources/install.wim" "Image 2" --compress=none >/dev/null
    rm -rf "$one" "$two"
    mkdir -p "$one"
    printf 'wpeinit\r\n' >"$one/startnet.cmd"
    wimlib-imagex capture "$one" "$tree/sources/boot.wim" "Boot" >/dev/null
    rm -rf "$one"
    random_bytes bootmgr 409600 >"$tree/bootmgr"
    random_bytes bcd 16384 >"$tree/boot/bcd"
    random_bytes bootx64 1048576 >"$tree/efi/boot/bootx64.efi"
    random_bytes setup 81920 >"$tree/setup.exe"
    for i in $(seq 200); do
        printf 'installer support file %d\r\n' "$i" >"$tree/sources/support$i.dll"
    done
    genisoimage -quiet -udf -allow-limited-size -V INSTALLER -o "$out/$name.iso.part" "$tree" 2>/dev/null
    mv "$out/$name.iso.part" "$out/$name.iso"
    rm -rf "$tree"
}

if [ "${2:-}" = wim ]; then
    mkdir -p "$out"
    make_wim_installer
    exit 0
fi
if [ -f "$out/.complete" ]; then
    make_installer
    [ "${2:-}" = quick ] || make_wim_installer
    exit 0
fi
mkdir -p "$out"
find "$out" -mindepth 1 -maxdepth 1 ! -name 'installer-wim*' -exec rm -rf {} +

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
[ "${2:-}" = quick ] || make_wim_installer
touch "$out/.complete"
