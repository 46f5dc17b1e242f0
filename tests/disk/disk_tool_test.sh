#!/usr/bin/env bash
# The Linux build of the disk tool on image files and loop devices, checked with Debian's own disk
# tools (sfdisk, fsck.fat, mtools, ntfs-3g's). Usage: disk_tool_test.sh TOOL WORKDIR SCENARIO
set -euo pipefail
tool=$1 scenario=$3 work=$2/$3
rm -rf "$work"
mkdir -p "$work"
cd "$work"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
format() { "$tool" --disk "$1" /partitions /repartition /activate /usb-hdd "/fstype=${3:-FAT32}" "/vollabel=$2" /quiet; }
boot_records() {
    local run
    for run in "/mbr /install /type=nt60" "/pbr /install /type=bootmgr" \
        "/pbr /install /type=grub4dos /pbr-disable-floppy"; do
        # shellcheck disable=SC2086 # the switches are separate words
        "$tool" --disk "$1" $run /quiet || fail "$run"
        "$2" "$1" "$3"
    done
}
signature() { sfdisk -d "$1" | sed -n 's/^label-id: //p'; }
# The partition as a file of its own, without reading gigabytes of holes.
partition_file() {
    cp --sparse=always "$1" partition.img
    fallocate --collapse-range -o 0 -l 1MiB partition.img
}

# IMAGE LABEL [CLUSTER-SECTORS]: one active FAT32-LBA partition from sector 2048 to the end of the
# disk, holding a sound volume with that label (as FAT stores it), $root_files in its root, and as
# a FAT32 of ours, 2048 hidden sectors.
root_files=
check_fat32() {
    local stored size=$(($(stat -c %s "$1") / 512 - 2048))
    stored=$(printf '%-11s' "$2")
    { [ "$(sfdisk -d "$1" | grep -c 'start=')" -eq 1 ] &&
        sfdisk -d "$1" | grep -Eq "start= *2048, size= *$size, type=c, bootable$"; } ||
        fail "partition table: $(sfdisk -d "$1")"
    partition_file "$1"
    fsck.fat -n partition.img >fsck.txt 2>&1 || fail "fsck.fat: $(cat fsck.txt)"
    ! grep -qi 'wrong\|differ\|error\|invalid' fsck.txt || fail "fsck.fat: $(cat fsck.txt)"
    minfo -i "$1@@1M" :: >minfo.txt
    for line in "disk label=\"$stored\"" "hidden sectors: 2048" "cluster size: ${3:-}"; do
        grep -qF "$line" minfo.txt || fail "no '$line' in: $(cat minfo.txt)"
    done
    [ "$2" = "NO NAME" ] && stored="Volume has no label" || stored="Volume label is $stored"
    [ "$(mlabel -s -i "$1@@1M" ::)" = " $stored" ] || fail "label entry: $(mlabel -s -i "$1@@1M" ::)"
    [ "$(mdir -b -i "$1@@1M" ::)" = "$root_files" ] || fail "root: $(mdir -i "$1@@1M" ::)"
}
# IMAGE LABEL: a sound NTFS volume, its backup boot sector too, with that label, and a BPB giving
# the partition's start as hidden sectors and a geometry of 63 sectors and 255 heads.
check_ntfs() {
    partition_file "$1"
    ntfsfix -n partition.img >ntfsfix.txt 2>&1 || fail "ntfsfix: $(cat ntfsfix.txt)"
    grep -q 'Checking the alternate boot sector... OK' ntfsfix.txt || fail "backup: $(cat ntfsfix.txt)"
    [ "$(ntfslabel partition.img)" = "$2" ] || fail "label: $(ntfslabel partition.img)"
    [ "$(od -An -tu2 -j24 -N8 partition.img | xargs)" = "63 255 2048 0" ] ||
        fail "geometry and hidden sectors: $(od -An -tu2 -j24 -N8 partition.img)"
}

case $scenario in
format)
    # size | label typed | label stored | sectors per cluster (Windows's table)
    while IFS='|' read -r size typed stored cluster; do
        truncate -s "$size" stick.img
        format stick.img "$typed"
        check_fat32 stick.img "$stored" "$cluster sectors"
        rm stick.img
    done <<'ROWS'
64M||NO NAME|1
256M|My Stick|MY STICK|4
8G|BIG8|BIG8|8
32G|Big 32|BIG 32|32
ROWS
    ;;
used-stick)
    # Files on it, then formatted again, as FAT32 and then as NTFS (its label cut to NTFS's 32
    # characters): the signature stays; the boot-record runs keep the table, the volume and files.
    truncate -s 256M stick.img
    format stick.img FIRST
    before=$(signature stick.img)
    head -c 3000000 /dev/urandom >big.bin
    mmd -i stick.img@@1M ::/sources
    mcopy -i stick.img@@1M big.bin ::/sources/big.bin
    mcopy -i stick.img@@1M big.bin ::/bootmgr
    format stick.img "Second"
    check_fat32 stick.img SECOND
    mcopy -i stick.img@@1M big.bin ::/keep.bin
    root_files=::/keep.bin table=$(sfdisk -d stick.img)
    boot_records stick.img check_fat32 SECOND
    [ "$(sfdisk -d stick.img)" = "$table" ] || fail "table changed: $(sfdisk -d stick.img)"
    mtype -i stick.img@@1M ::/keep.bin | cmp - big.bin || fail "file changed"
    format stick.img "My Stick ABCDEFGHIJKLMNOPQRSTUVWXYZ" NTFS
    sfdisk -d stick.img | grep -Eq "start= *2048, size= *522240, type=7, bootable$" ||
        fail "partition: $(sfdisk -d stick.img)"
    check_ntfs stick.img "My Stick ABCDEFGHIJKLMNOPQRSTUVW"
    boot_records stick.img check_ntfs "My Stick ABCDEFGHIJKLMNOPQRSTUVW"
    [ "$(signature stick.img)" = "$before" ] || fail "signature $before became $(signature stick.img)"
    ;;
refusals)
    # Refused runs leave the disk as it was.
    truncate -s 64M stick.img
    format stick.img KEEP
    truncate -s 32M small.img
    truncate -s 16M tiny.img
    # exit code | disk | switches
    while IFS='|' read -r code disk switches; do
        before=$(cksum 2>/dev/null <"$disk" || true)
        got=0
        # shellcheck disable=SC2086 # the switches are separate words
        "$tool" --disk "$disk" $switches 2>stderr.txt || got=$?
        [ "$got" -eq "$code" ] || fail "exit code $got, expected $code: $disk $switches ($(cat stderr.txt))"
        [ "$(cksum 2>/dev/null <"$disk" || true)" = "$before" ] || fail "$disk changed: $switches"
    done <<'ROWS'
1|stick.img|/mbr /install /type=nt52 /quiet
1|stick.img|/partitions /repartition /activate /usb-hdd /fstype=FAT32 /quiet
1|stick.img|
2|missing.img|/mbr /install /type=nt60 /quiet
2|.|/mbr /install /type=nt60 /quiet
5|small.img|/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=X /quiet
5|tiny.img|/partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=X /quiet
ROWS
    [ ! -e missing.img ] || fail "a run on a missing image created it"
    ;;
mounted)
    # A loop device: formatted while nothing is mounted; refused while a partition is mounted.
    [ "$(id -u)" -eq 0 ] || { echo "needs root for loop devices: skipped"; exit 77; }
    truncate -s 256M stick.img
    loop=$(losetup -fP --show stick.img)
    trap 'umount "$work/mnt" 2>/dev/null || true; losetup -d "$loop"' EXIT
    format "$loop" LOOP
    [ -b "${loop}p1" ] || partx -u "$loop"
    [ -b "${loop}p1" ] || fail "no ${loop}p1 after the format"
    check_fat32 stick.img LOOP
    mkfs.ext4 -q "${loop}p1"
    mkdir -p mnt
    mount "${loop}p1" mnt
    sum=$(cksum <"$loop")
    for run in "/mbr /install /type=nt60 /quiet" \
        "/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=X /quiet"; do
        # shellcheck disable=SC2086 # the switches are separate words
        "$tool" --disk "$loop" $run && fail "ran on a mounted disk: $run" || [ $? -eq 2 ] ||
            fail "not refused as a target: $run"
    done
    [ "$(cksum <"$loop")" = "$sum" ] || fail "a mounted disk was written"
    ;;
*)
    fail "unknown scenario $scenario"
    ;;
esac
echo "PASS $scenario"
