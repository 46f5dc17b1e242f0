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

for needed in losetup sfdisk fsck.fat mlabel mdir cksum; do
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

# EXPECTED DISKS SWITCHES...: runs the tool with the letters placed on the disks given (lines of
# "LETTER DISK BUS", as printf escapes) and checks its exit code.
run_tool() {
    local expected=$1 disks=$2
    shift 2
    printf '%b' "$disks" >"$placements"
    wine "$tool" "$@" </dev/null
    local code=$?
    [ "$code" = "$expected" ] || fail "exit $code, not $expected: $* (disks: $disks)"
}

stick='E 9 usb\nC 0 sata\nZ 0 sata\n'
fat32='/device=E: /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=My Stick /quiet'
ntfs='/device=E: /partitions /repartition /activate /usb-hdd /fstype=NTFS /vollabel=X /quiet'

refusals() {
    # A used stick: what a refused run leaves must be exactly what was there.
    dd if=/dev/urandom of="$image" bs=1M count=2 conv=notrunc status=none
    local before code disks line what
    before=$(cksum <"$image")
    # Wine has no fmifs.dll, so the NTFS format is not supported here. That must be told before the
    # target is looked at, locked or opened: even where each of those would fail, the answer is 5.
    # expected code | disks behind the letters | command line | what is refused
    while IFS='|' read -r code disks line what; do
        echo "-- $what"
        # shellcheck disable=SC2086 # the switches are separate words
        run_tool "$code" "$disks" $line
        [ "$(cksum <"$image")" = "$before" ] || fail "the image changed: $what"
    done <<ROWS
2|E 9 sata\nC 0 sata\nZ 0 sata\n|$fat32|a disk not on USB
2|E 9 usb\nC 0 sata\nZ 9 usb\n|$fat32|the disk holding the program
2|E 9 usb\nC 9 usb\nZ 0 sata\n|$fat32|the disk holding Windows
2|E 9 usb\nC 0 sata\n|$fat32|a program on a volume of unknown disk
2|E 9 usb\nE 4 usb\nC 0 sata\nZ 0 sata\n|$fat32|a volume on two extents
2|C 0 sata\nZ 0 sata\n|$fat32|a letter on no known disk
2|Q 9 usb\nC 0 sata\nZ 0 sata\n|/device=Q: /mbr /install /type=nt60 /quiet|a letter that is no drive
3|E 9 usb\nF 9 usb\nC 0 sata\nZ 0 sata\n|$fat32|a volume of the disk that cannot be locked
4|E 8 usb\nC 0 sata\nZ 0 sata\n|$fat32|a disk that cannot be opened
1|$stick||no command line
1|$stick|/device=E /mbr /install /type=nt60 /quiet|a drive without its colon
5|E 9 sata\nC 0 sata\nZ 0 sata\n|$ntfs|NTFS, where the disk is not on USB
5|E 9 usb\nF 9 usb\nC 0 sata\nZ 0 sata\n|$ntfs|NTFS, where the disk cannot be locked
5|E 8 usb\nC 0 sata\nZ 0 sata\n|$ntfs|NTFS, where the disk cannot be opened
5|$stick|$ntfs|NTFS on a stick
ROWS
    echo "-- the shipped tool, which Wine cannot tell that E: lies on a USB disk"
    # shellcheck disable=SC2086
    wine "$(dirname "$tool")/TarnvikDisk.exe" $fat32 </dev/null
    code=$?
    [ "$code" = 2 ] || fail "the shipped tool exited $code, not 2"
    [ "$(cksum <"$image")" = "$before" ] || fail "the image changed on the shipped tool's run"
}

# SWITCHES CODE: the run is answered with 0 and changes nothing but CODE's bytes: the MBR's boot
# code, or a boot record's jump and code (the volume's BPB kept) in the boot sector and its backup
# (volume sectors 0 and 6) and its second sector in the sectors 2 after those.
expect_run() {
    local before=$folder/before.img at
    cp --sparse=always "$image" "$before"
    echo "-- $1"
    # shellcheck disable=SC2086 # the switches are separate words
    run_tool 0 "$stick" /device=E: $1
    case ${2##*/} in
    kMbr*) dd if="$2" of="$before" conv=notrunc status=none ;;
    kFat32*)
        for at in 2048 2054; do
            dd if="$2" of="$before" bs=1 count=3 seek=$((at * 512)) conv=notrunc status=none
            dd if="$2" of="$before" bs=1 skip=90 count=422 seek=$((at * 512 + 90)) conv=notrunc status=none
            dd if="$2" of="$before" bs=512 skip=1 count=1 seek=$((at + 2)) conv=notrunc status=none
        done
        ;;
    esac
    cmp "$image" "$before" || fail "$1 changed more or less than $2"
}

three_runs() {
    # A stick that held something else before.
    dd if=/dev/urandom of="$image" bs=1M count=2 conv=notrunc status=none
    local boot table label
    boot=$(dirname "$tool")/boot
    echo "-- format"
    # shellcheck disable=SC2086
    run_tool 0 "$stick" $fat32
    table=$(sfdisk -d "$image")
    echo "$table"
    [ "$(grep -c 'start=' <<<"$table")" = 1 ] || fail "not one partition"
    grep -Eq 'start= *2048, size= *522240, type=c, bootable' <<<"$table" || fail "partition"
    [ "$(od -An -tx4 -j 440 -N4 "$image")" != " 00000000" ] || fail "no disk signature"
    dd if="$image" of="$folder/partition.img" bs=1M skip=1 conv=sparse status=none
    fsck.fat -n "$folder/partition.img" >"$folder/fsck.txt" 2>&1 || fail "fsck.fat: $(cat "$folder/fsck.txt")"
    label=$(MTOOLS_SKIP_CHECK=1 mlabel -s -i "$image@@1M" :: | sed "s/ *$//")
    [ "$label" = " Volume label is MY STICK" ] || fail "label: '$label'"
    [ -z "$(MTOOLS_SKIP_CHECK=1 mdir -b -i "$image@@1M" ::)" ] || fail "root not empty"

    expect_run "/mbr /install /type=nt60 /quiet" "$boot/kMbrBootCode.bin"
    expect_run "/pbr /install /type=bootmgr /quiet" "$boot/kFat32BootmgrCode.bin"
    expect_run "/pbr /install /type=grub4dos /pbr-disable-floppy /quiet" "$boot/kFat32GrldrCode.bin"
}

case $scenario in
    Refusals) refusals ;;
    ThreeRuns) three_runs ;;
    *) echo "unknown scenario $scenario"; exit 2 ;;
esac
[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "passed"
