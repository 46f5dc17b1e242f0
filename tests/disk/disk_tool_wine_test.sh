#!/usr/bin/env bash
# The disk tool's Windows build under Wine, on an image file that a dosdevices entry shows as
# \\.\PhysicalDrive9, with E: standing for the stick's volume. The test build learns which disk
# lies behind which letter, and on which bus, from a file this script writes. The images are then
# checked with Debian's own tools.
# Usage: disk_tool_wine_test.sh Refusals|ThreeRuns PREFIX TarnvikDiskTestBuild.exe FOLDER
set -u
scenario=$1 prefix=$2 tool=$3 folder=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env.sh"
export WINEPREFIX=$prefix

for needed in losetup sfdisk fsck.fat minfo mlabel mdir sha256sum; do
    command -v "$needed" >/dev/null || { echo "skipped: $needed is missing"; exit 77; }
done

rm -rf "$folder"
mkdir -p "$folder/e-root"
image=$folder/stick.img
truncate -s 256M "$image"
# \\.\E: must open a block device of our own. Without an "e::" entry Wine opens the device that
# holds the folder behind E: (the host's own disk), and dismounting that unmounts its file system.
truncate -s 1M "$folder/volume.img"
loop=$(losetup -f --show "$folder/volume.img" 2>/dev/null) || { echo "skipped: no loop device"; exit 77; }
[ -b "$loop" ] || { echo "skipped: $loop is no block device"; exit 77; }

devices=$prefix/dosdevices
finish() {
    wineserver -k 2>/dev/null
    wineserver -w
    rm -f "$devices/e:" "$devices/e::" "$devices/physicaldrive9"
    losetup -d "$loop"
}
trap finish EXIT

prepare_wine_prefix "$prefix" N
wineserver -k 2>/dev/null
wineserver -w
rm -f "$devices"/[d-y]: "$devices"/[d-y]:: "$devices/physicaldrive9"
ln -s "$folder/e-root" "$devices/e:"
ln -s "$loop" "$devices/e::"
ln -s "$image" "$devices/physicaldrive9"
[ "$(readlink "$devices/e::")" = "$loop" ] || { echo "E: is not on our loop device"; exit 1; }
start_wine_session "$prefix"

placements=$folder/volume-disks.txt
export TARNVIK_TEST_VOLUME_DISKS_FILE="Z:${placements//\//\\}"

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# Runs the tool with the placements given and the switches after "/device=E:"; checks the code.
run_tool() {
    local expected=$1 disks=$2
    shift 2
    printf '%b' "$disks" >"$placements"
    wine "$tool" "$@" </dev/null
    local code=$?
    [ "$code" = "$expected" ] || fail "exit $code, not $expected: $* (disks: $disks)"
}

format_line=(/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick /quiet)
stick='E 9 usb\nC 0 sata\nZ 0 sata\n'

refusals() {
    # A used stick: what a refused run leaves must be exactly what was there.
    dd if=/dev/urandom of="$image" bs=1M count=2 conv=notrunc status=none
    local before
    before=$(sha256sum <"$image")
    local refused=(
        # expected code | disks behind the letters | what is refused
        "2|E 9 sata\nC 0 sata\nZ 0 sata\n|a disk not on USB"
        "2|E 9 usb\nC 0 sata\nZ 9 usb\n|the disk holding the program"
        "2|E 9 usb\nC 9 usb\nZ 0 sata\n|the disk holding Windows"
        "2|E 9 usb\nC 0 sata\n|a program on a volume of unknown disk"
        "2|E 9 usb\nE 4 usb\nC 0 sata\nZ 0 sata\n|a volume on two extents"
        "2|C 0 sata\nZ 0 sata\n|a letter on no known disk"
        "3|E 9 usb\nF 9 usb\nC 0 sata\nZ 0 sata\n|a volume of the disk that cannot be locked"
        "4|E 8 usb\nC 0 sata\nZ 0 sata\n|a disk that cannot be opened"
    )
    local entry code disks what
    for entry in "${refused[@]}"; do
        IFS='|' read -r code disks what <<<"$entry"
        echo "-- $what"
        run_tool "$code" "$disks" "${format_line[@]}"
        [ "$(sha256sum <"$image")" = "$before" ] || fail "the image changed: $what"
    done
    echo "-- a letter that is no drive"
    run_tool 2 'Q 9 usb\nC 0 sata\nZ 0 sata\n' /device=Q: /mbr /install /type=nt60 /quiet
    echo "-- bad command lines"
    run_tool 1 "$stick" /device=E: /mbr /install /quiet
    run_tool 1 "$stick" /device=E: /mbr /install /type=nt60 /quiet /extra
    run_tool 1 "$stick" /device=E /mbr /install /type=nt60 /quiet
    run_tool 1 "$stick"
    echo "-- the shipped tool, which Wine cannot tell that E: lies on a USB disk"
    wine "$(dirname "$tool")/TarnvikDisk.exe" "${format_line[@]}" </dev/null
    code=$?
    [ "$code" = 2 ] || fail "the shipped tool exited $code, not 2"
    # Wine has no fmifs.dll, so the NTFS format is not supported here. That must be told before the
    # target is looked at, locked or opened: even where each of those would fail, the answer is 5.
    local ntfs_line=(/device=E: /partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=X /quiet)
    for entry in "${refused[@]}" "|$stick|a stick"; do
        IFS='|' read -r code disks what <<<"$entry"
        echo "-- NTFS, where the disk answers: $what"
        run_tool 5 "$disks" "${ntfs_line[@]}"
        [ "$(sha256sum <"$image")" = "$before" ] || fail "the image changed on NTFS: $what"
    done
    echo "-- NTFS with the shipped tool, which would refuse the target"
    wine "$(dirname "$tool")/TarnvikDisk.exe" "${ntfs_line[@]}" </dev/null
    code=$?
    [ "$code" = 5 ] || fail "the shipped tool exited $code on NTFS, not 5"
    [ "$(sha256sum <"$image")" = "$before" ] || fail "the image changed on a refused line"
}

sector() {  # sector FILE NUMBER [COUNT]: the bytes of 512-byte sectors, as hex
    dd if="$1" bs=512 skip="$2" count="${3:-1}" status=none | od -An -v -tx1 | tr -d ' \n'
}
bytes() {  # bytes FILE OFFSET LENGTH
    dd if="$1" bs=1 skip="$2" count="$3" status=none | od -An -v -tx1 | tr -d ' \n'
}

check_fat32() {
    local part=$folder/partition.img
    dd if="$image" of="$part" bs=1M skip=1 conv=sparse status=none
    fsck.fat -n "$part" >"$folder/fsck.txt" 2>&1 || fail "fsck.fat: $(cat "$folder/fsck.txt")"
    local label
    label=$(MTOOLS_SKIP_CHECK=1 mlabel -s -i "$image@@1M" :: | sed "s/ *$//")
    [ "$label" = " Volume label is MY STICK" ] || fail "label: '$label'"
    MTOOLS_SKIP_CHECK=1 mdir -i "$image@@1M" :: >"$folder/mdir.txt" 2>&1
    grep -q "No files" "$folder/mdir.txt" || fail "root not empty: $(cat "$folder/mdir.txt")"
}

three_runs() {
    # A stick that held something else before.
    dd if=/dev/urandom of="$image" bs=1M count=2 conv=notrunc status=none
    local boot
    boot=$(dirname "$tool")/boot

    echo "-- format"
    run_tool 0 "$stick" "${format_line[@]}"
    local table
    table=$(sfdisk -d "$image")
    echo "$table"
    [ "$(grep -c 'start=' <<<"$table")" = 1 ] || fail "not one partition"
    grep -Eq 'start= *2048, size= *522240, type=c, bootable' <<<"$table" || fail "partition"
    [ "$(bytes "$image" 440 4)" != 00000000 ] || fail "no disk signature"
    check_fat32
    local formatted=$folder/formatted.img
    cp --sparse=always "$image" "$formatted"

    echo "-- /mbr /install /type=nt60 /quiet"
    run_tool 0 "$stick" /device=E: /mbr /install /type=nt60 /quiet
    [ "$(bytes "$image" 0 440)" = "$(bytes "$boot/kMbrBootCode.bin" 0 440)" ] || fail "MBR code"
    [ "$(bytes "$image" 440 72)" = "$(bytes "$formatted" 440 72)" ] || fail "signature or table"
    cmp -s <(tail -c +513 "$image") <(tail -c +513 "$formatted") || fail "more than the MBR changed"

    echo "-- /pbr /install /type=bootmgr /quiet"
    run_tool 0 "$stick" /device=E: /pbr /install /type=bootmgr /quiet
    expect_boot_record "$boot/kFat32BootmgrCode.bin" "$formatted"
    echo "-- /pbr /install /type=grub4dos /pbr-disable-floppy /quiet"
    run_tool 0 "$stick" /device=E: /pbr /install /type=grub4dos /pbr-disable-floppy /quiet
    expect_boot_record "$boot/kFat32GrldrCode.bin" "$formatted"
}

# expect_boot_record CODE FORMATTED: the volume's boot sector is CODE's jump, FORMATTED's BPB and
# CODE's boot code, its backup the same, the second code sector CODE's; the volume stays sound.
expect_boot_record() {
    local at=$((2048 * 512))
    [ "$(sector "$image" 2048)" = "$(bytes "$1" 0 3)$(bytes "$2" $((at + 3)) 87)$(bytes "$1" 90 422)" ] ||
        fail "boot sector of $(basename "$1")"
    [ "$(sector "$image" 2054)" = "$(sector "$image" 2048)" ] || fail "backup boot sector"
    [ "$(sector "$image" 2050)" = "$(bytes "$1" 512 512)" ] || fail "second code sector"
    check_fat32
}

case $scenario in
    Refusals) refusals ;;
    ThreeRuns) three_runs ;;
    *) echo "unknown scenario $scenario"; exit 2 ;;
esac
[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "passed"
