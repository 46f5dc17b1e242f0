#!/bin/bash
# Usage: boot_test.sh SCENARIO TOOL BOOT_BINARIES WORKDIR
# Makes a stick image with the disk tool's (TOOL's) three runs, prepares it as its row below says
# (FAT32 with mtools, NTFS through ntfs-3g on a loop device) and boots it in QEMU as a USB stick,
# waiting for the row's text on COM1. BOOT_BINARIES holds the assembled stand-ins and helper disks.
# Results go to WORKDIR/SCENARIO, Debian's signed loaders to WORKDIR/signed-loaders. NTFS and
# 4096-byte sectors need root for loop devices; without it those scenarios are skipped (exit 77).
# shellcheck disable=SC2034,SC2054 # variables for the rows' steps and qemu_boot.sh; QEMU's commas
set -u
[ $# -eq 4 ] || { echo "usage: $0 SCENARIO TOOL BOOT_BINARIES WORKDIR" >&2; exit 2; }
scenario=$1 tool=$2 bin=$3 work=$4 dir=$4/$1
standin=$bin/standin_bootmgr.bin standin_small=$bin/standin_small.bin big=$dir/BIG.BIN grldr=$dir/GRLDR
img=$dir/stick.img serial=$dir/serial.log mnt=$dir/mnt extra_qemu_args=()
PART_OFFSET=$((1024 * 1024)) # 2048 sectors of 512 bytes, or 256 of 4096
disk_sector=512 volume_loop='' volume_mount='' ntfs3g_pid=''
# shellcheck source=qemu_boot.sh
source "$(dirname "$0")/qemu_boot.sh"

# One row per scenario: name | file system | boot record | firmware | how the stick is prepared:
# steps, each of which must succeed (on NTFS they start with the volume mounted; "unmount" ends
# that early) | the text on COM1.
# Firmware bios-no-edd: a helper disk boots first and hides the INT 13h extensions, so the MBR and
# the boot record read the stick (then drive 81h) by CHS; bios-4k: the stick has 4096-byte logical
# sectors (a loop device), which a helper disk makes the BIOS's extended reads count in.
# STANDIN: the stand-in BOOTMGR's report of its hand-off; GRLDR: GRUB's marker.
rows() {
    cat <<'ROWS'
bios-bootmgr           |FAT32|bootmgr |bios       |loader "$standin" BOOTMGR|STANDIN
bios-no-edd            |FAT32|bootmgr |bios-no-edd|loader "$standin" BOOTMGR|STANDIN
bios-sectors-4k        |FAT32|bootmgr |bios-4k    |loader "$standin" BOOTMGR|STANDIN
bios-grldr             |FAT32|grub4dos|bios       |make_grldr "$grldr"; loader "$grldr" GRLDR|GRLDR
# Near misses only, and the other loader: the Grub4Dos record must look for GRLDR alone.
bios-loader-missing    |FAT32|grub4dos|bios       |clutter; folder GRLDR; put "$standin" GRLDR.OLD; put "$standin" BOOTMGR|Tarnvik boot: GRLDR is missing
# Loaded at 2000:0000, 600 KiB would run past the 640 KiB of conventional memory.
bios-bootmgr-too-large |FAT32|bootmgr |bios       |put "$big" BOOTMGR|Tarnvik boot: BOOTMGR is too large
bios-bootmgr-damaged   |FAT32|bootmgr |bios       |put "$standin" BOOTMGR; end_chain BOOTMGR|Tarnvik boot: BOOTMGR is damaged
bios-no-active         |FAT32|bootmgr |bios       |put "$standin" BOOTMGR; poke 446 '\x00'|Tarnvik MBR: no active partition
bios-no-boot-record    |FAT32|bootmgr |bios       |put "$standin" BOOTMGR; poke $((PART_OFFSET + 510)) '\x00\x00'|Tarnvik MBR: no boot record
# Debian's Microsoft-signed shim starts Debian's signed GRUB, which finds its volume by /.disk/info.
uefi-secure-boot       |FAT32|bootmgr |uefi-secure|signed_loaders|TARNVIK SECURE BOOT: GRUB IS RUNNING
ntfs-bios-bootmgr      |NTFS |bootmgr |bios       |folder Boot; put "$standin" BOOTMGR; unmount; root_blocks 1|STANDIN
# Stored as "grldr": the name compare ignores case.
ntfs-bios-grldr        |NTFS |grub4dos|bios       |make_grldr "$grldr"; put "$standin" BOOTMGR; put "$grldr" grldr|GRLDR
# A root index of many blocks, moved out to an extension record, and a loader written tail first,
# so that its second run lies before its first (a negative run offset).
ntfs-bios-big-root     |NTFS |bootmgr |bios       |fillers 600; tail_first; unmount; root_blocks 10 list; runs backward|STANDIN
# 533 bytes, copied out of the file record, spanning the end of its first 512 (a fix-up).
ntfs-bios-resident     |NTFS |bootmgr |bios       |put "$standin_small" BOOTMGR; unmount; resident|STANDIN
# A root of many index blocks, moved out to an extension record, and a loader in many short runs.
ntfs-bios-no-edd       |NTFS |bootmgr |bios-no-edd|fillers 300; in_holes; unmount; root_blocks 5 list; runs|STANDIN
ntfs-bios-sectors-4k   |NTFS |bootmgr |bios-4k    |fillers 300; in_holes; unmount; root_blocks 5 list; runs|STANDIN
# Near misses only: a directory of that name in lower case, which the compare matches, and files
# with a longer and a shorter name.
ntfs-bios-missing      |NTFS |bootmgr |bios       |folder bootmgr; put "$standin" BOOTMGR.OLD; put "$standin" BOOTMG|Tarnvik boot: BOOTMGR is missing
ntfs-bios-too-large    |NTFS |bootmgr |bios       |put "$big" BOOTMGR|Tarnvik boot: BOOTMGR is too large
# BOOTMGR's record lacks the update sequence number at the end of its first 512 bytes, as after a
# torn write.
ntfs-bios-damaged      |NTFS |bootmgr |bios       |put "$standin" BOOTMGR; unmount; tear_record|Tarnvik boot: the NTFS volume is damaged
ROWS
}

fail() { echo "FAIL $scenario: $*" >&2; exit 1; }

# Whatever a run left mounted or attached, also when it failed half-way.
release_volume() {
    # Busy (a copy cut short): ntfs-3g unmounts when told to end.
    [ -z "$volume_mount" ] || umount "$volume_mount" 2>/dev/null || kill "$ntfs3g_pid" 2>/dev/null
    [ -z "$ntfs3g_pid" ] || wait "$ntfs3g_pid" 2>/dev/null
    [ -z "$volume_loop" ] || losetup -d "$volume_loop" 2>/dev/null
    volume_mount='' ntfs3g_pid='' volume_loop=''
}
trap 'stop_qemu; release_volume' EXIT
trap 'exit 1' INT TERM

# OFFSET BYTES: bytes (printf escapes) into the image at that offset.
poke() { printf '%b' "$2" | dd of="$img" bs=1 seek="$1" conv=notrunc status=none; }
# OFFSET BYTES: the unsigned number of that many bytes at that offset in the volume.
field() { od -An -tu"$2" -j $((PART_OFFSET + $1)) -N"$2" "$img" | tr -d ' '; }
# SOURCE NAME: a file into the root, by ntfs-3g while the volume is mounted, else by mtools.
put() { if [ -n "$volume_mount" ]; then cp "$1" "$mnt/$2"; else mcopy -i "$img@@1M" "$1" "::$2"; fi; }
folder() { if [ -n "$volume_mount" ]; then mkdir "$mnt/$1"; else mmd -i "$img@@1M" "::$1"; fi; }

# The tool's three runs on a 256 MiB image, or on a loop device of 4096-byte sectors of it (FAT32
# needs 512 MiB for enough clusters there).
make_stick() {
    local target=$img size=256M line
    local pbr="/pbr /install /type=$record /quiet"
    [ "$record" = bootmgr ] || pbr="/pbr /install /type=grub4dos /pbr-disable-floppy /quiet"
    [ "$firmware$fs" = bios-4kFAT32 ] && size=512M
    truncate -s $size "$img" || fail "cannot create $img"
    if [ "$firmware" = bios-4k ]; then
        volume_loop=$(flock /tmp/tarnvik-loop.lock losetup --sector-size 4096 -f --show "$img") ||
            fail "no loop device"
        target=$volume_loop disk_sector=4096
    fi
    for line in "/partitions /repartition /activate /usb-hdd /fstype=$fs /vollabel=TEST /quiet" \
        "/mbr /install /type=nt60 /quiet" "$pbr"; do
        # shellcheck disable=SC2086 # the switches are separate words
        "$tool" --disk "$target" $line || fail "tarnvik-disk $line on $target"
    done
    release_volume
    [ "$(field 11 2)" = $disk_sector ] || fail "the volume does not have $disk_sector-byte sectors"
}

# Files the boot record has to look past: a directory and 40 long names (several entries each), so
# that the root spans several clusters and a file copied next gets an entry beyond the first.
# HOLE.BIN, removed again, leaves free clusters below the end of the used area; with the FSInfo
# next-free hint cleared, mtools fills that hole first, so the next file is fragmented. HOLE.BIN
# sits in the subdirectory so that its freed entry does not take the next file's place in the root.
clutter() {
    local i
    mkdir -p "$dir/clutter"
    for i in $(seq 1 40); do
        echo "filler $i" >"$dir/clutter/A long file name number $i.txt"
    done
    head -c 20000 /dev/zero >"$dir/HOLE.BIN"
    mmd -i "$img@@1M" ::Boot && mcopy -i "$img@@1M" "$dir/HOLE.BIN" ::Boot &&
        mcopy -i "$img@@1M" "$dir/clutter/"* :: && mdel -i "$img@@1M" ::Boot/HOLE.BIN &&
        poke $((PART_OFFSET + $(field 48 2) * disk_sector + 492)) '\xff\xff\xff\xff'
}

# FILE NAME: the loader in a cluttered root, behind a deleted entry, as the root's last entry and
# fragmented, so that the directory walk and the chain following are both covered.
loader() {
    clutter && put "$1" "$2" && mdel -i "$img@@1M" "::A long file name number 1.txt" || return 1
    local chain
    chain=$(mshowfat -i "$img@@1M" "::$2")
    echo "root directory clusters: $(mshowfat -i "$img@@1M" ::); $2 clusters: $chain"
    [ "$(mdir -i "$img@@1M" -b :: | tail -n 1)" = "::/$2" ] || fail "$2 is not the root's last entry"
    [[ $chain == *"> <"* ]] || fail "$2 is not fragmented"
}

# The FAT ends NAME's chain after its first cluster.
end_chain() {
    local first
    first=$(mshowfat -i "$img@@1M" "::$1" | sed -n 's/^[^<]*<\([0-9]*\).*/\1/p')
    [ -n "$first" ] || fail "no cluster chain for $1"
    poke $((PART_OFFSET + $(field 14 2) * disk_sector + first * 4)) '\xff\xff\xff\x0f'
}

signed_loaders() {
    local loaders
    mapfile -t loaders < <(bash "$(dirname "$0")/signed_loaders.sh" "$work/signed-loaders")
    [ ${#loaders[@]} -eq 2 ] || fail "no signed shim and GRUB"
    printf '%s\n' 'serial --unit=0 --speed=115200' 'terminal_output serial console' \
        'echo "TARNVIK SECURE BOOT: GRUB IS RUNNING"' >"$dir/grub.cfg"
    printf 'Tarnvik test stick\n' >"$dir/info"
    mmd -i "$img@@1M" ::efi ::efi/boot ::.disk ::boot ::boot/grub &&
        put "${loaders[0]}" efi/boot/bootx64.efi && put "${loaders[1]}" efi/boot/grubx64.efi &&
        put "$dir/info" .disk/info && put "$dir/grub.cfg" boot/grub/grub.cfg
}

# --- NTFS: ntfs-3g in the foreground of a background job, on a loop device of the partition alone,
# so that its end (every write flushed) can be waited for after the unmount.
mount_ntfs() {
    volume_loop=$(flock /tmp/tarnvik-loop.lock losetup -f --show -o $((PART_OFFSET)) \
        --sizelimit $(($(od -An -tu4 -j 458 -N4 "$img") * disk_sector)) "$img") ||
        fail "no loop device for the partition"
    mkdir -p "$mnt"
    ntfs-3g -o no_detach "$volume_loop" "$mnt" >"$dir/ntfs-3g.log" 2>&1 &
    ntfs3g_pid=$!
    for _ in $(seq 1 100); do
        mountpoint -q "$mnt" && { volume_mount=$mnt; return; }
        kill -0 "$ntfs3g_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$dir/ntfs-3g.log"
    fail "ntfs-3g did not mount the volume"
}

# ntfs-3g writes everything out at the unmount; then the volume must be sound.
unmount() {
    umount "$mnt" || fail "cannot unmount $mnt"
    volume_mount=
    wait "$ntfs3g_pid" || fail "ntfs-3g ended with an error"
    ntfs3g_pid=
    ntfsfix -n "$volume_loop" >"$dir/ntfsfix.log" 2>&1 || { cat "$dir/ntfsfix.log"; fail "ntfsfix -n found faults"; }
}

# At least $1 index blocks in the root (a fresh volume's root has one), and with $2 = list, the
# root's attributes in an attribute list. ntfsinfo lists no blocks of a large index.
root_blocks() {
    local blocks
    ntfsinfo -i 5 -v "$volume_loop" >"$dir/root.txt" || fail "ntfsinfo cannot read the root"
    blocks=$(awk '/Index Block Size:/ && !size { size = $4 }
        /attribute \$INDEX_ALLOCATION/ { alloc = 1 }
        alloc && /Data size:/ { print $3 / size; exit }' "$dir/root.txt")
    echo "root directory: ${blocks:-0} index blocks"
    [ "${blocks:-0}" -ge "$1" ] || fail "the root has fewer than $1 index blocks"
    [ "${2:-}" != list ] || grep -qF "attribute \$ATTRIBUTE_LIST" "$dir/root.txt" ||
        fail "the root has no attribute list"
}

# $1 = many long names in the root; they sort before the loaders.
fillers() {
    local i
    for ((i = 1; i <= $1; i++)); do
        : >"$mnt/A filler with a rather long name, number $i.txt" || return 1
    done
}

# BOOTMGR written tail first, so that ntfs-3g puts the tail before the head.
tail_first() {
    dd if="$standin" of="$mnt/BOOTMGR" bs=64K skip=4 seek=4 status=none &&
        dd if="$standin" of="$mnt/BOOTMGR" bs=64K count=4 conv=notrunc status=none
}

# BOOTMGR written into the holes left by deleting every other one of many small files that fill
# the volume's last free space, so that it lies in many short runs.
in_holes() {
    local avail i=0 j
    avail=$(df -B1 --output=avail "$mnt" | tail -n 1)
    head -c $((avail - 1024 * 1024)) /dev/zero >"$mnt/FILL.BIN" 2>/dev/null
    while head -c 16384 /dev/zero >"$mnt/small $i" 2>/dev/null; do
        i=$((i + 1))
    done
    for ((j = 0; j < i; j += 2)); do
        rm "$mnt/small $j" || return 1
    done
    cp "$standin" "$mnt/BOOTMGR"
}

# BOOTMGR's $DATA in more than one run; with $1 = backward, one run before the one ahead of it.
runs() {
    local lcn previous=-1 runs=0 backward=0
    while read -r _ lcn _; do
        runs=$((runs + 1))
        [ $((lcn)) -lt "$previous" ] && backward=$((backward + 1))
        previous=$((lcn))
    done < <(ntfsinfo -F /BOOTMGR -v "$volume_loop" | grep -E '^\s+0x[0-9a-f]+\s+0x[0-9a-f]+\s+0x[0-9a-f]+$')
    echo "BOOTMGR: $runs data runs, $backward of them backward"
    [ "$runs" -gt 1 ] || fail "BOOTMGR is not fragmented"
    [ "${1:-}" != backward ] || [ "$backward" -gt 0 ] || fail "BOOTMGR has no backward run"
}

resident() {
    ntfsinfo -F /BOOTMGR -v "$volume_loop" | awk '/attribute \$DATA/ { d = 1 } d && /Resident:/ { print; exit }' |
        grep -q Yes || fail "BOOTMGR's data is not resident"
}

# The last two bytes of BOOTMGR's file record's first 512 zeroed (the MFT of a fresh volume is in
# one piece, of records smaller than a cluster: 2^-n bytes each).
tear_record() {
    local record at
    record=$(ntfsinfo -F /BOOTMGR "$volume_loop" | sed -n 's/^Dumping Inode \([0-9]*\).*/\1/p')
    [ -n "$record" ] || fail "no file record for BOOTMGR"
    release_volume
    at=$((PART_OFFSET + $(field 48 8) * $(field 13 1) * disk_sector +
        record * (1 << -$(od -An -td1 -j $((PART_OFFSET + 64)) -N1 "$img"))))
    [ "$(od -An -c -j "$at" -N4 "$img" | tr -d ' ')" = FILE ] || fail "no file record at $at"
    poke $((at + 510)) '\x00\x00'
}

row=$(rows | grep -E "^$scenario +\|") || fail "unknown scenario"
IFS='|' read -r _ fs record firmware steps text <<<"$row"
fs=${fs// /} record=${record// /} firmware=${firmware// /}
if [ "$fs" = NTFS ] || [ "$firmware" = bios-4k ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root for loop devices: skipped"; exit 77; }
fi
rm -rf "$dir"
mkdir -p "$dir" || fail "cannot create $dir"
head -c $((600 * 1024)) /dev/zero >"$big"
make_stick
[ "$fs" = FAT32 ] || mount_ntfs
IFS=';' read -ra steps <<<"$steps"
for step in "${steps[@]}"; do
    eval "$step" || fail "$step"
done
[ -z "$volume_mount" ] || unmount
release_volume

drive=80 hidden=00000800 mode=bios
case $firmware in
bios-no-edd) shim=no_edd_shim drive=81 ;;
bios-4k) shim=sector_4k_shim drive=81 hidden=00000100 ;;
uefi-secure) mode=uefi-secure ;;
esac
if [ -n "${shim:-}" ]; then
    { cp "$bin/$shim.bin" "$dir/helper.img" && truncate -s 1M "$dir/helper.img"; } || fail "no helper disk"
    extra_qemu_args=(-drive "if=none,id=helper,format=raw,file=$dir/helper.img"
        -device ide-hd,drive=helper,bootindex=0)
fi
case $text in
STANDIN)
    boot $mode "STANDIN BOOTMGR CS=2000 IP=0000 DL=$drive DS=0000 ES=0000 SS=0000 SP=7C00" \
        "STANDIN BOOTMGR HIDDEN=$hidden BLOCKS=OK TAIL=OK" ;;
GRLDR) boot $mode "TARNVIK GRLDR TEST: GRUB IS RUNNING" ;;
*) boot $mode "$text" ;;
esac
