#!/bin/bash
# shellcheck disable=SC2054 # the commas in arrays are QEMU's option syntax
# Makes a stick image with the disk tool's three runs, puts files on it (FAT32
# with mtools, NTFS through ntfs-3g on a loop device) and boots it in QEMU as a
# USB stick, waiting for a text on COM1.
#
#   boot_test.sh SCENARIO TOOL BOOT_BINARIES WORKDIR
#
# SCENARIO  one of the cases at the end (the NTFS ones and the 4K ones need root for
#           the loop device)
# TOOL      the Linux build of the disk tool
# BOOT_BINARIES  folder with the assembled standin_bootmgr.bin,
#           standin_small.bin, no_edd_shim.bin and sector_4k_shim.bin
# WORKDIR   results go to WORKDIR/SCENARIO: the image, serial.log, screen.png; Debian's signed
#           loaders are kept in WORKDIR/signed-loaders
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 SCENARIO TOOL BOOT_BINARIES WORKDIR" >&2
    exit 2
fi
scenario=$1
tool=$2
standin=$3/standin_bootmgr.bin
standin_small=$3/standin_small.bin
no_edd_shim=$3/no_edd_shim.bin
sector_4k_shim=$3/sector_4k_shim.bin
dir=$4/$scenario

IPXE_EFI=/usr/lib/ipxe/ipxe.efi

img=$dir/stick.img
PART_OFFSET=$((2048 * 512))
serial=$dir/serial.log
extra_qemu_args=()
# shellcheck source=qemu_boot.sh
source "$(dirname "$0")/qemu_boot.sh"
volume_loop=
volume_mount=
ntfs3g_pid=

fail() {
    echo "FAIL $scenario: $*" >&2
    exit 1
}

# Whatever a run left mounted or attached, also when it failed half-way.
release_volume() {
    if [ -n "$volume_mount" ]; then
        # Busy (a copy cut short): ntfs-3g unmounts when told to end.
        umount "$volume_mount" 2>/dev/null || kill "$ntfs3g_pid" 2>/dev/null
        volume_mount=
    fi
    if [ -n "$ntfs3g_pid" ]; then
        wait "$ntfs3g_pid" 2>/dev/null
        ntfs3g_pid=
    fi
    if [ -n "$volume_loop" ]; then
        losetup -d "$volume_loop" 2>/dev/null
        volume_loop=
    fi
}

cleanup() {
    stop_qemu
    release_volume
}
trap cleanup EXIT
trap 'exit 1' INT TERM

rm -rf "$dir"
mkdir -p "$dir" || fail "cannot create $dir"

run_tool() {
    "$tool" --disk "$img" "$@"
    local rc=$?
    [ $rc -eq 0 ] || fail "tarnvik-disk $* exited with $rc"
}

# $1 = bootmgr or grub4dos: the boot record the stick gets; $2 = the file system (FAT32).
make_stick() {
    truncate -s 256M "$img" || fail "cannot create $img"
    run_tool /partitions /repartition /activate /usb-hdd "/fstype=${2:-FAT32}" /vollabel=TEST /quiet
    run_tool /mbr /install /type=nt60 /quiet
    case $1 in
    bootmgr) run_tool /pbr /install /type=bootmgr /quiet ;;
    grub4dos) run_tool /pbr /install /type=grub4dos /pbr-disable-floppy /quiet ;;
    esac
}

# A FAT32 stick of ours with the stand-in BOOTMGR on it and nothing else.
make_standin_stick() {
    make_stick bootmgr
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
}

# $1 = byte offset in the image, $2 = bytes as printf escapes.
poke() {
    printf '%b' "$2" | dd of="$img" bs=1 seek="$1" conv=notrunc status=none || fail "cannot write at $1"
}

# $1 = source image, $2 = its offset, $3 = offset in the image, $4 = count.
copy_bytes() {
    dd if="$1" of="$img" bs=1 skip="$2" seek="$3" count="$4" conv=notrunc status=none ||
        fail "cannot copy $4 bytes from $1"
}

# $1 = boot sector of a helper disk that boots first; the stick becomes 81h.
add_helper_disk() {
    truncate -s 1M "$dir/helper.img" || fail "cannot create the helper disk"
    dd if="$1" of="$dir/helper.img" conv=notrunc status=none || fail "cannot write the helper disk"
    extra_qemu_args=(-drive "if=none,id=helper,format=raw,file=$dir/helper.img"
        -device ide-hd,drive=helper,bootindex=0)
}

mtool() {
    "$@" || fail "$* failed"
}

# Files the boot record has to look past: a directory and 40 long names
# (several entries each), so the root directory spans several clusters and a
# file copied next gets an entry beyond the first. HOLE.BIN, removed again,
# leaves free clusters below the end of the used area; with the FSInfo
# next-free hint cleared, mtools fills that hole first, so the next file is
# fragmented. HOLE.BIN sits in the subdirectory so that its freed entry does
# not take the next file's place in the root.
add_clutter() {
    local i
    mkdir -p "$dir/clutter"
    for i in $(seq 1 40); do
        echo "filler $i" >"$dir/clutter/A long file name number $i.txt"
    done
    head -c 20000 /dev/zero >"$dir/HOLE.BIN"
    mtool mmd -i "$img@@1M" ::Boot
    mtool mcopy -i "$img@@1M" "$dir/HOLE.BIN" ::Boot
    mtool mcopy -i "$img@@1M" "$dir/clutter/"* ::
    mtool mdel -i "$img@@1M" ::Boot/HOLE.BIN
    local fsinfo_sector next_free
    fsinfo_sector=$(od -An -tu2 -j $((PART_OFFSET + 48)) -N2 "$img" | tr -d ' ')
    next_free=$((PART_OFFSET + fsinfo_sector * $(sector_size) + 492))
    poke $next_free '\xff\xff\xff\xff'
}

# After the loader is copied: deleted entries in front of it, and a check
# that the loader really is the root's last entry, fragmented.
finish_clutter() {
    local loader=$1
    mtool mdel -i "$img@@1M" "::A long file name number 1.txt"
    echo "root directory clusters: $(mshowfat -i "$img@@1M" ::)"
    [ "$(mdir -i "$img@@1M" -b :: | tail -n 1)" = "::/$loader" ] ||
        fail "$loader is not the root's last entry; the test would not cover the directory walk"
    expect_fragmented "$loader"
}

sector_size() {
    od -An -tu2 -j $((PART_OFFSET + 11)) -N2 "$img" | tr -d ' '
}

# $1 = a file in the root directory: it must lie in more than one run of clusters.
expect_fragmented() {
    local chain
    chain=$(mshowfat -i "$img@@1M" "::$1") || fail "mshowfat $1 failed"
    echo "$1 clusters: $chain"
    [[ $chain == *"> <"* ]] || fail "$1 is not fragmented; the test would not cover chain following"
}

# --- NTFS sticks


# $1 = bootmgr or grub4dos: the boot record the stick gets.
make_ntfs_stick() {
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a loop device: skipped"; exit 0; }
    make_stick "$1" NTFS
    [ "$(od -An -c -j $((PART_OFFSET + 3)) -N4 "$img" | tr -d ' ')" = NTFS ] ||
        fail "the partition does not hold an NTFS boot sector"
}

# The partition alone as a loop device, from the partition table's first
# entry; $disk_sector = the bytes of the disk's sectors that it counts.
disk_sector=512
attach_volume() {
    local start count
    start=$(od -An -tu4 -j 454 -N4 "$img" | tr -d ' ')
    count=$(od -An -tu4 -j 458 -N4 "$img" | tr -d ' ')
    volume_loop=$(flock /tmp/tarnvik-loop.lock losetup -f --show -o $((start * disk_sector)) \
        --sizelimit $((count * disk_sector)) "$img") || fail "no loop device for the partition"
}

# ntfs-3g in the foreground of a background job, so that its end (every
# write flushed) can be waited for after the unmount.
mount_volume() {
    attach_volume
    mkdir -p "$dir/mnt"
    ntfs-3g -o no_detach "$volume_loop" "$dir/mnt" >"$dir/ntfs-3g.log" 2>&1 &
    ntfs3g_pid=$!
    local i
    for i in $(seq 1 100); do
        mountpoint -q "$dir/mnt" && break
        kill -0 "$ntfs3g_pid" 2>/dev/null || break
        sleep 0.1
    done
    mountpoint -q "$dir/mnt" || { cat "$dir/ntfs-3g.log"; fail "ntfs-3g did not mount the volume"; }
    volume_mount=$dir/mnt
}

unmount_volume() {
    umount "$volume_mount" || fail "cannot unmount $volume_mount"
    volume_mount=
    wait "$ntfs3g_pid" || fail "ntfs-3g ended with an error"
    ntfs3g_pid=
}

# After the files are on: a sound volume with our label.
check_volume() {
    ntfsfix -n "$volume_loop" >"$dir/ntfsfix.log" 2>&1 || { cat "$dir/ntfsfix.log"; fail "ntfsfix -n found faults"; }
    ntfsinfo -m "$volume_loop" | grep -q "Volume Name: TEST$" || fail "the volume is not labelled TEST"
    ntfsinfo -i 5 -v "$volume_loop" >"$dir/root.txt" || fail "ntfsinfo cannot read the root directory"
}

# $1 = a file in the root, $2 = at least this many index blocks in the root
# (a fresh volume's root has one). Tells whether the file's entry is one of
# the index root's keys or in a block; ntfsinfo lists no blocks of a large
# index.
expect_root_entry() {
    local blocks place listed
    blocks=$(awk '/Index Block Size:/ && !size { size = $4 }
        /attribute \$INDEX_ALLOCATION/ { alloc = 1 }
        alloc && /Data size:/ { print $3 / size; exit }' "$dir/root.txt")
    place=$(awk -v name="'$1'" '/Dumping index root/ { root = 1 }
        /attribute \$INDEX_ALLOCATION/ { root = 0 }
        /Filename:/ && $2 == name && root { print "the index root"; exit }' "$dir/root.txt")
    listed=
    grep -qF "attribute \$ATTRIBUTE_LIST" "$dir/root.txt" && listed=", with an attribute list"
    echo "root directory: ${blocks:-0} index blocks$listed; $1 is in ${place:-an index block}"
    [ "${blocks:-0}" -ge "$2" ] || fail "the root has fewer than $2 index blocks; the test would not cover them"
}

# $1 = a file in the root: its $DATA must lie in more than one run; with
# $2 = backward, one run must lie before the one ahead of it on the volume
# (a negative offset in the data runs).
expect_ntfs_fragmented() {
    local lcn previous=-1 runs=0 backward=0
    while read -r _ lcn _; do
        runs=$((runs + 1))
        [ $((lcn)) -lt "$previous" ] && backward=$((backward + 1))
        previous=$((lcn))
    done < <(ntfsinfo -F "/$1" -v "$volume_loop" | grep -E '^\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s+0x[0-9a-f]+$')
    echo "$1: $runs data runs, $backward of them backward"
    [ "$runs" -gt 1 ] || fail "$1 is not fragmented; the test would not cover data runs"
    [ "${2:-}" != backward ] || [ "$backward" -gt 0 ] ||
        fail "$1 has no backward run; the test would not cover negative run offsets"
}

# $1 = a file in the root: its $DATA must be inside its file record.
expect_resident() {
    local resident
    resident=$(ntfsinfo -F "/$1" -v "$volume_loop" |
        awk '/attribute \$DATA/ { data = 1 } data && /Resident:/ { print $2; exit }')
    echo "$1: resident \$DATA: $resident"
    [ "$resident" = Yes ] || fail "$1's data is not resident; the test would not cover copying it"
}

# $1 = a file in the root -> the byte offset of its file record in the image
# (the MFT of a fresh volume is in one piece).
record_offset() {
    local record bps spc mft per_record record_bytes
    record=$(ntfsinfo -F "/$1" "$volume_loop" | sed -n 's/^Dumping Inode \([0-9]*\).*/\1/p')
    [ -n "$record" ] || fail "no file record for $1"
    bps=$(sector_size)
    spc=$(od -An -tu1 -j $((PART_OFFSET + 13)) -N1 "$img" | tr -d ' ')
    mft=$(od -An -tu8 -j $((PART_OFFSET + 48)) -N8 "$img" | tr -d ' ')
    per_record=$(od -An -td1 -j $((PART_OFFSET + 64)) -N1 "$img" | tr -d ' ')
    if [ "$per_record" -lt 0 ]; then
        record_bytes=$((1 << -per_record))
    else
        record_bytes=$((per_record * spc * bps))
    fi
    echo $((PART_OFFSET + mft * spc * bps + record * record_bytes))
}

# $1 = loader file, $2 = its name on the volume: written tail first, so
# that ntfs-3g puts the tail before the head.
copy_tail_first() {
    dd if="$1" of="$volume_mount/$2" bs=64K skip=4 seek=4 status=none || fail "cannot write $2's tail"
    dd if="$1" of="$volume_mount/$2" bs=64K count=4 conv=notrunc status=none || fail "cannot write $2's head"
    cmp -s "$1" "$volume_mount/$2" || fail "$2 differs from $1"
}

# $1 = loader file, $2 = its name on the volume. It is written into the
# holes left by deleting every other one of many small files that fill the
# volume's last free space, so it lies in many short runs.
copy_fragmented() {
    local avail i j
    avail=$(df -B1 --output=avail "$volume_mount" | tail -n 1)
    head -c $((avail - 1024 * 1024)) /dev/zero >"$volume_mount/FILL.BIN" 2>/dev/null
    i=0
    while head -c 16384 /dev/zero >"$volume_mount/small $i" 2>/dev/null; do
        i=$((i + 1))
    done
    for ((j = 0; j < i; j += 2)); do
        rm "$volume_mount/small $j" || fail "cannot delete small $j"
    done
    cp "$1" "$volume_mount/$2" || fail "cannot copy $2"
}

# The root holds $1 files with long names, which sort before the loaders,
# so its index has many blocks and the loader's is not the first.
add_root_clutter() {
    local i
    for i in $(seq 1 "$1"); do
        : >"$volume_mount/A filler with a rather long name, number $i.txt" ||
            fail "cannot create filler $i"
    done
}

# Boots in BIOS mode until the stand-in BOOTMGR reports its hand-off: $1 = the BIOS drive (80, or
# 81 behind a helper disk), $2 = the hidden sectors (hex); then texts that must come before.
boot_standin() {
    local drive=$1 hidden=$2
    shift 2
    boot bios "$@" "STANDIN BOOTMGR CS=2000 IP=0000 DL=$drive DS=0000 ES=0000 SS=0000 SP=7C00" \
        "STANDIN BOOTMGR HIDDEN=$hidden BLOCKS=OK TAIL=OK"
}

# A FAT32 stick's root cluttered (add_clutter) around the loader: $1 = its file, $2 = its name.
put_cluttered_loader() {
    add_clutter
    mtool mcopy -i "$img@@1M" "$1" "::$2"
    finish_clutter "$2"
}

# ntfs-3g writes everything out at the unmount; then the volume must be sound.
close_volume() {
    unmount_volume; check_volume
}

# The tool's three runs on a loop device of 4096-byte logical sectors (root only); $1 = the file
# system, $2 = the stick's size.
make_4k_stick() {
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a 4096-byte loop device: skipped"; exit 0; }
    img=$dir/stick-4k.img
    truncate -s "$2" "$img" || fail "cannot create $img"
    volume_loop=$(flock /tmp/tarnvik-loop.lock losetup --sector-size 4096 -f --show "$img") ||
        fail "no loop device"
    for line in "/partitions /repartition /activate /usb-hdd /fstype=$1 /vollabel=TEST /quiet" \
        "/mbr /install /type=nt60 /quiet" "/pbr /install /type=bootmgr /quiet"; do
        # shellcheck disable=SC2086 # the switches are separate words
        "$tool" --disk "$volume_loop" $line || fail "tarnvik-disk $line on $volume_loop"
    done
    release_volume
    [ "$(sector_size)" = 4096 ] || fail "the volume does not have 4096-byte sectors"
}

# An NTFS root of many index blocks with the stand-in BOOTMGR fragmented among them.
fill_big_root_fragmented_loader() {
    mount_volume
    add_root_clutter 300
    copy_fragmented "$standin" BOOTMGR
    close_volume
    expect_root_entry BOOTMGR 5
    expect_ntfs_fragmented BOOTMGR
    release_volume
}

case $scenario in
bios-bootmgr)
    make_stick bootmgr
    put_cluttered_loader "$standin" BOOTMGR
    boot_standin 80 00000800
    ;;
bios-bootmgr-missing)
    # Near misses only: a directory of that name and a file with an extension.
    make_stick bootmgr
    add_clutter
    mtool mmd -i "$img@@1M" ::BOOTMGR
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR.OLD
    mtool mdel -i "$img@@1M" "::A long file name number 1.txt"
    boot bios "Tarnvik boot: BOOTMGR is missing"
    ;;
bios-bootmgr-too-large)
    # Loaded at 2000:0000, 600 KiB would run past the 640 KiB of
    # conventional memory.
    make_stick bootmgr
    head -c $((600 * 1024)) /dev/zero >"$dir/BOOTMGR"
    mtool mcopy -i "$img@@1M" "$dir/BOOTMGR" ::
    boot bios "Tarnvik boot: BOOTMGR is too large"
    ;;
bios-bootmgr-damaged)
    # The FAT ends BOOTMGR's chain after its first cluster.
    make_standin_stick
    first=$(mshowfat -i "$img@@1M" ::BOOTMGR | sed -n 's/^[^<]*<\([0-9]*\).*/\1/p')
    [ -n "$first" ] || fail "no cluster chain for BOOTMGR"
    reserved=$(od -An -tu2 -j $((PART_OFFSET + 14)) -N2 "$img" | tr -d ' ')
    poke $((PART_OFFSET + reserved * $(sector_size) + first * 4)) '\xff\xff\xff\x0f'
    boot bios "Tarnvik boot: BOOTMGR is damaged"
    ;;
bios-no-active)
    make_standin_stick
    poke 446 '\x00'
    boot bios "Tarnvik MBR: no active partition"
    ;;
bios-no-boot-record)
    make_standin_stick
    poke $((PART_OFFSET + 510)) '\x00\x00'
    boot bios "Tarnvik MBR: no boot record"
    ;;
bios-grldr)
    make_stick grub4dos
    make_grldr "$dir/GRLDR"
    put_cluttered_loader "$dir/GRLDR" GRLDR
    boot bios "TARNVIK GRLDR TEST: GRUB IS RUNNING"
    ;;
bios-no-edd)
    # A helper disk boots first and hides the INT 13h extensions, so the
    # stick (then drive 81h) is read by CHS only, by the MBR and the boot
    # record alike; its boot code must also stay with the drive it was given.
    make_stick bootmgr
    put_cluttered_loader "$standin" BOOTMGR
    add_helper_disk "$no_edd_shim"
    boot_standin 81 00000800 "NO-EDD SHIM: INT 13h extensions hidden"
    ;;
bios-sectors-4k)
    # The tool's own layout and boot code on a disk of 4096-byte logical
    # sectors: a loop device with that sector size (root only). QEMU's BIOS
    # boots only 512-byte disks, so the helper disk makes the stick's extended
    # reads count in 4096-byte sectors.
    make_4k_stick FAT32 512M
    put_cluttered_loader "$standin" BOOTMGR
    add_helper_disk "$sector_4k_shim"
    boot_standin 81 00000100 "4K SHIM: drive 81 has 4096-byte sectors"
    ;;
bios-grldr-missing)
    # The Grub4Dos record must look for GRLDR only, not take BOOTMGR.
    make_stick grub4dos
    add_clutter
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
    boot bios "Tarnvik boot: GRLDR is missing"
    ;;
uefi-ipxe)
    make_stick bootmgr
    mtool mmd -i "$img@@1M" ::EFI ::EFI/BOOT
    mtool mcopy -i "$img@@1M" "$IPXE_EFI" ::EFI/BOOT/BOOTX64.EFI
    boot uefi "iPXE initialising devices"
    ;;
uefi-secure-boot)
    # Debian's Microsoft-signed shim starts Debian's signed GRUB beside it, which finds its volume
    # by /.disk/info and reads /boot/grub/grub.cfg from it.
    mapfile -t loaders < <(bash "$(dirname "$0")/signed_loaders.sh" "$4/signed-loaders")
    [ ${#loaders[@]} -eq 2 ] || fail "no signed shim and GRUB"
    make_stick bootmgr
    printf '%s\n' 'serial --unit=0 --speed=115200' 'terminal_output serial console' \
        'echo "TARNVIK SECURE BOOT: GRUB IS RUNNING"' >"$dir/grub.cfg"
    printf 'Tarnvik test stick\n' >"$dir/info"
    mtool mmd -i "$img@@1M" ::efi ::efi/boot ::.disk ::boot ::boot/grub
    mtool mcopy -i "$img@@1M" "${loaders[0]}" ::efi/boot/bootx64.efi
    mtool mcopy -i "$img@@1M" "${loaders[1]}" ::efi/boot/grubx64.efi
    mtool mcopy -i "$img@@1M" "$dir/info" ::.disk/info
    mtool mcopy -i "$img@@1M" "$dir/grub.cfg" ::boot/grub/grub.cfg
    boot uefi-secure "TARNVIK SECURE BOOT: GRUB IS RUNNING"
    ;;
ntfs-bios-bootmgr)
    make_ntfs_stick bootmgr
    mount_volume
    mkdir "$volume_mount/Boot" || fail "cannot make Boot"
    cp "$standin" "$volume_mount/BOOTMGR" || fail "cannot copy BOOTMGR"
    close_volume
    expect_root_entry BOOTMGR 1
    release_volume
    boot_standin 80 00000800
    ;;
ntfs-bios-grldr)
    # Stored as "grldr": the name compare ignores case.
    make_ntfs_stick grub4dos
    make_grldr "$dir/GRLDR"
    mount_volume
    cp "$standin" "$volume_mount/BOOTMGR" || fail "cannot copy BOOTMGR"
    cp "$dir/GRLDR" "$volume_mount/grldr" || fail "cannot copy grldr"
    close_volume
    expect_root_entry grldr 1
    release_volume
    boot bios "TARNVIK GRLDR TEST: GRUB IS RUNNING"
    ;;
ntfs-bios-big-root)
    # Also a loader whose second run lies before its first.
    make_ntfs_stick bootmgr
    mount_volume
    add_root_clutter 600
    copy_tail_first "$standin" BOOTMGR
    close_volume
    expect_root_entry BOOTMGR 10
    expect_ntfs_fragmented BOOTMGR backward
    release_volume
    boot_standin 80 00000800
    ;;
ntfs-bios-resident)
    # A loader of 533 bytes, copied out of its file record, where it spans
    # the end of the record's first 512 bytes (an update sequence fix-up).
    make_ntfs_stick bootmgr
    mount_volume
    cp "$standin_small" "$volume_mount/BOOTMGR" || fail "cannot copy BOOTMGR"
    close_volume
    expect_resident BOOTMGR
    release_volume
    boot_standin 80 00000800
    ;;
ntfs-bios-damaged)
    # BOOTMGR's record lacks the update sequence number at the end of its
    # first 512 bytes, as after a torn write.
    make_ntfs_stick bootmgr
    mount_volume
    cp "$standin" "$volume_mount/BOOTMGR" || fail "cannot copy BOOTMGR"
    close_volume
    at=$(record_offset BOOTMGR) || exit 1
    release_volume
    [ "$(od -An -c -j "$at" -N4 "$img" | tr -d ' ')" = FILE ] || fail "no file record at $at"
    poke $((at + 510)) '\x00\x00'
    boot bios "Tarnvik boot: the NTFS volume is damaged"
    ;;
ntfs-bios-missing)
    # Near misses only: a directory of that name (in lower case, which the
    # compare matches) and files with a longer and a shorter name.
    make_ntfs_stick bootmgr
    mount_volume
    mkdir "$volume_mount/bootmgr" || fail "cannot make bootmgr"
    cp "$standin" "$volume_mount/BOOTMGR.OLD" || fail "cannot copy BOOTMGR.OLD"
    cp "$standin" "$volume_mount/BOOTMG" || fail "cannot copy BOOTMG"
    close_volume
    release_volume
    boot bios "Tarnvik boot: BOOTMGR is missing"
    ;;
ntfs-bios-too-large)
    # Loaded at 2000:0000, 600 KiB would run past the 640 KiB of
    # conventional memory.
    make_ntfs_stick bootmgr
    mount_volume
    head -c $((600 * 1024)) /dev/zero >"$volume_mount/BOOTMGR" || fail "cannot write BOOTMGR"
    unmount_volume
    release_volume
    boot bios "Tarnvik boot: BOOTMGR is too large"
    ;;
ntfs-bios-no-edd)
    # By CHS only, through the root's index blocks to a loader in many short runs (with EDD:
    # ntfs-bios-sectors-4k).
    make_ntfs_stick bootmgr
    fill_big_root_fragmented_loader
    add_helper_disk "$no_edd_shim"
    boot_standin 81 00000800 "NO-EDD SHIM: INT 13h extensions hidden"
    ;;
ntfs-bios-sectors-4k)
    # As bios-sectors-4k, on NTFS (4096-byte sectors and file records), with
    # a root of many index blocks and a fragmented loader.
    make_4k_stick NTFS 256M
    disk_sector=4096
    fill_big_root_fragmented_loader
    add_helper_disk "$sector_4k_shim"
    boot_standin 81 00000100 "4K SHIM: drive 81 has 4096-byte sectors"
    ;;
*)
    fail "unknown scenario"
    ;;
esac
