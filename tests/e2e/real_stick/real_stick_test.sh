#!/usr/bin/env bash
# shellcheck disable=SC2054 # the commas in arrays are QEMU's option syntax
# One whole job on a real stick (see rig.sh): Tarnvik's test build under Wine, driven by
# real_stick_tests.exe, formats the stick with the disk tool's stick build and extracts the image
# with the real 7-Zip; then the stick image is checked with Debian's tools and booted in QEMU.
# What each stick can show: names, sizes and contents, the layout, the label, the boot. Not
# hidden/system attributes or times (FAT through guestmount drops them, NTFS through ntfs-3g
# read-only): those stay with the tests on folder drives.
# Usage: real_stick_test.sh SCENARIO WIN64_BUILD HOST_DISK_TOOL
#   SCENARIO: bcd-fat32, grub4dos-boot, third-party, too-large, ntfs, wim-secure-boot
set -u
scenario=$1 build=$2 tool=$3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
source "$root/scripts/wine-env.sh"
source "$here/rig.sh"

skip() {
    echo "skipped: $*"
    exit 77
}
if missing=$(rig_missing); then skip "needs $missing"; fi
[ -x "$tool" ] || skip "no Linux build of the disk tool at $tool (build the host preset)"
[ -n "${DISPLAY:-}" ] || skip "no display"
for needed in xorriso nasm grub-mkimage isoinfo; do
    command -v "$needed" >/dev/null || skip "needs $needed"
done
if [ "$scenario" = ntfs ]; then
    for needed in mkntfs ntfsinfo ntfsfix; do
        command -v "$needed" >/dev/null || skip "needs $needed"
    done
    [ -x "$(dirname "$tool")/stick_ntfs_format" ] ||
        skip "no stick_ntfs_format beside $tool (build the host preset)"
fi

work=$build/test-runs/real_stick.$scenario
dir=$work/boot img=$work/stick/stick.img serial=$dir/serial.log
extra_qemu_args=()
source "$root/tests/disk/qemu_boot.sh"
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
stage_start=$(date +%s%N)
stage() {  # prints how long the last stage took
    local now
    now=$(date +%s%N)
    printf 'time %s: %d.%d s\n' "$1" $(((now - stage_start) / 1000000000)) \
        $(((now - stage_start) / 100000000 % 10))
    stage_start=$now
}

# ctest runs the tests that map drive letters one at a time. Runs started by hand beside others
# can name a lock file to share; without one nothing is taken, since every program started here
# would inherit the lock and a lingering Wine server could keep it past this run.
if [ -n "${TARNVIK_WINE_DRIVES_LOCK:-}" ]; then
    exec 9>"$TARNVIK_WINE_DRIVES_LOCK"
    flock -w 600 9 || skip "the drive-letter lock $TARNVIK_WINE_DRIVES_LOCK stayed taken for 10 minutes"
fi
stage "waiting for the drive-letter lock"
trap 'stop_qemu; rig_teardown' EXIT
trap 'exit 1' INT TERM
rm -rf "$work"
mkdir -p "$work/iso" "$dir"

# --- the image

make_standin() {
    nasm -f bin -o "$work/BOOTMGR" "$root/tests/disk/boot/standin_bootmgr.asm" || exit 1
}
iso_of_tree() {
    xorriso -as mkisofs -J -R -V "$2" -o "$iso" "$1" >/dev/null 2>&1 || exit 1
}

# Only where the drive list's size or the free space matter does the job start with the volume
# mounted; elsewhere its first step, the format, would only unmount it again (a mount costs 15 s).
tree=$work/iso/tree iso=$work/iso/image.iso size=256M test=StandardBootManager mounted=unmounted
refusal=
mkdir -p "$tree/boot" "$tree/sources"
head -c 4096 /dev/urandom >"$tree/boot/bcd"
head -c 1500000 /dev/urandom >"$tree/sources/install.wim"
printf 'A stick made by Tarnvik\r\n' >"$tree/README.TXT"
case $scenario in
    ntfs)
        # The stick starts as FAT32, as it comes; the job makes it NTFS.
        test=StandardBootManagerNtfs
        make_standin
        cp "$work/BOOTMGR" "$tree/BOOTMGR"
        iso_of_tree "$tree" NTFS
        ;;
    bcd-fat32)
        mounted=mounted
        make_standin
        cp "$work/BOOTMGR" "$tree/BOOTMGR"
        mkdir -p "$tree/efi/boot"
        cp /usr/lib/ipxe/ipxe.efi "$tree/efi/boot/bootx64.efi"
        iso_of_tree "$tree" BCD
        ;;
    grub4dos-boot)
        test=Grub4Dos
        make_grldr "$tree/boot/grldr"
        iso_of_tree "$tree" GRUB
        ;;
    third-party)
        iso=/usr/lib/grub-rescue/grub-rescue-cdrom.iso
        [ -f "$iso" ] || skip "needs grub-rescue-pc"
        rm -rf "$tree"
        xorriso -osirrox on -indev "$iso" -extract / "$tree" >/dev/null 2>&1 || exit 1
        ;;
    too-large)
        # Smaller than the stick (else the size check refuses it), larger once extracted: the
        # image holds the data of three hard links once. Refused before the format: the stick
        # keeps its volume and its file.
        test=RefusedBeforeTheFormat mounted=mounted refusal="The files of the selected ISO image take"
        head -c 100M /dev/urandom >"$tree/sources/part1.swm"
        ln "$tree/sources/part1.swm" "$tree/sources/part2.swm"
        ln "$tree/sources/part1.swm" "$tree/sources/part3.swm"
        iso_of_tree "$tree" LARGE
        ;;
    wim-secure-boot)
        # A Windows installer's shape (the fixture's tree with its real two-image install.wim,
        # split by the test build's limits into parts of 2 MiB) whose UEFI loaders are Debian's
        # Microsoft-signed shim and signed GRUB: a FAT32 stick that boots with Secure Boot.
        command -v genisoimage >/dev/null && command -v wimapply >/dev/null ||
            skip "needs genisoimage and wimtools"
        [ -f "$build/fixtures/installer/sources/install.wim" ] || skip "no installer fixture"
        mapfile -t loaders < <(bash "$root/tests/disk/signed_loaders.sh" "$build/signed-loaders")
        [ ${#loaders[@]} = 2 ] || { echo "no signed shim and GRUB"; exit 1; }
        rm -rf "$tree"
        cp -r "$build/fixtures/installer" "$tree" || exit 1
        cp "${loaders[0]}" "$tree/efi/boot/bootx64.efi" || exit 1
        cp "${loaders[1]}" "$tree/efi/boot/grubx64.efi" || exit 1
        mkdir -p "$tree/.disk" "$tree/boot/grub"
        printf 'Tarnvik test installer\n' >"$tree/.disk/info"
        printf '%s\n' 'serial --unit=0 --speed=115200' 'terminal_output serial console' \
            'echo "TARNVIK SECURE BOOT: GRUB IS RUNNING"' >"$tree/boot/grub/grub.cfg"
        genisoimage -quiet -udf -allow-limited-size -V INSTALLER -o "$iso" "$tree" 2>/dev/null ||
            exit 1
        test=WimSplit
        export TARNVIK_TEST_WIM_LIMITS="2097152 2097152"
        ;;
    *) echo "unknown scenario $scenario"; exit 2 ;;
esac
stage "making the image"

# --- the stick and Wine

rig_setup "$work/stick" "$size" FAT32 "Real Stick" "$tool" unmounted ||
    { cat "$rig_log"; exit 1; }
# A file of the user's on the stick, and the volume's serial: a refused job leaves both.
mtool() { MTOOLS_SKIP_CHECK=1 "$@"; }
printf 'kept\r\n' >"$work/KEEP.TXT"
mtool mcopy -i "$rig_image@@1M" "$work/KEEP.TXT" ::KEEP.TXT || exit 1
volume_serial() { mtool minfo -i "$img@@1M" :: | sed -n 's/^serial number: //p'; }
serial_before=$(volume_serial)
if [ $mounted = mounted ]; then rig_mount_volume || { cat "$rig_log"; exit 1; }; fi
stage "making the stick ($mounted)"
label=$(mtool mlabel -s -i "$rig_image@@1M" :: | sed 's/^ Volume label is //; s/ *$//')
volume_bytes=
if [ $mounted = mounted ]; then
    read -r blocks block_size < <(stat -f -c '%b %S' "$rig_mount")
    volume_bytes=$((blocks * block_size))
fi

prefix=$build/wineprefix-stick
export WINEPREFIX=$prefix
prepare_wine_prefix "$prefix" N
wineserver -k 2>/dev/null
wineserver -w
rm -f "$prefix/dosdevices"/[d-y]: "$prefix/dosdevices"/[d-y]::
start_wine_session "$prefix"
rig_mark_removable
wineserver -k 2>/dev/null
wineserver -w
rig_map_wine "$prefix" || { echo "E: could not be mapped to the stick"; exit 1; }
start_wine_session "$prefix"

windows() { echo "Z:${1//\//\\}"; }
printf 'E 9 usb\nC 0 sata\nZ 0 sata\n' >"$work/volume-disks.txt"
export TARNVIK_TEST_VOLUME_DISKS_FILE TARNVIK_TEST_STICK_HANDSHAKE TARNVIK_TEST_STICK_IMAGE \
    TARNVIK_TEST_STICK_LABEL TARNVIK_TEST_STICK_BYTES TARNVIK_TEST_STICK_REFUSAL
TARNVIK_TEST_VOLUME_DISKS_FILE=$(windows "$work/volume-disks.txt")
TARNVIK_TEST_STICK_HANDSHAKE=$(windows "$rig_handshake")
TARNVIK_TEST_STICK_IMAGE=$(windows "$iso")
TARNVIK_TEST_STICK_LABEL=$label
TARNVIK_TEST_STICK_BYTES=$volume_bytes
TARNVIK_TEST_STICK_REFUSAL=$refusal
rig_start_helper
stage "starting Wine"

# --- the job

wine "$build/real_stick_tests.exe" --gtest_filter="RealStick.$test" </dev/null
[ $? = 0 ] || fail "the job's test failed"
stage "the job"
job=$build/test-runs/RealStick.$test
mkdir -p "$work/job"
cp "$job"/*.png "$job/Tarnvik.log" "$work/job/" 2>/dev/null
echo "--- the rig"
cat "$rig_log"

rig_stop_helper
wineserver -k 2>/dev/null
wineserver -w
rig_unmount_volume || fail "the volume could not be unmounted"

# --- the stick

table=$(sfdisk -d "$img")
echo "$table"
[ "$(grep -c 'start=' <<<"$table")" = 1 ] || fail "not one partition"
if [ "$scenario" = ntfs ]; then
    grep -Eq 'start= *2048, .*type=7, bootable' <<<"$table" || fail "not one active NTFS partition at 1 MiB"
    ntfsfix -n "$rig_part" >"$work/ntfsfix.txt" 2>&1 || fail "ntfsfix -n: $(cat "$work/ntfsfix.txt")"
    shown=$(ntfsinfo -m "$rig_part" | sed -n 's/^\s*Volume Name: //p')
else
    grep -Eq 'start= *2048, .*type=c, bootable' <<<"$table" || fail "not one active FAT32 partition at 1 MiB"
    if ! fsck.fat -n "$rig_part" >"$work/fsck.txt" 2>&1; then
        fail "fsck.fat: $(cat "$work/fsck.txt")"
    fi
    shown=$(mtool mlabel -s -i "$img@@1M" :: | sed 's/^ Volume label is //; s/ *$//')
fi
[ "$shown" = "$label" ] || fail "label '$shown', not '$label'"

# Every file as "path sha256", paths in lower case: FAT keeps the case of names but ignores it.
# 7-Zip shows an image's El Torito boot image as the file [BOOT]\Boot-NoEmul.img and extracts it
# too; it is no file of the image's tree.
listing() {
    (cd "$1" && find . -type f -not -path './\[[Bb][Oo][Oo][Tt]\]/*' -print0 | sort -z |
        xargs -0r sha256sum | awk '{ $2 = tolower($2); print $2, $1 }' | sort)
}
copy_of_stick() {
    mkdir -p "$work/on-stick"
    [ -z "$(mtool mdir -b -i "$img@@1M" ::)" ] && return
    mtool mcopy -s -n -i "$img@@1M" '::*' "$work/on-stick/" || fail "mcopy"
}
same_files() {  # same_files EXPECTED_TREE [STICK_FOLDER]: the stick holds exactly those files
    local on_stick=${2:-$work/on-stick}
    [ -n "${2:-}" ] || copy_of_stick
    diff <(listing "$1") <(listing "$on_stick") >"$work/content.diff" ||
        fail "the stick's files differ from the image's: $(head -20 "$work/content.diff")"
}

case $scenario in
    bcd-fat32 | third-party) same_files "$tree" ;;
    ntfs)
        if rig_mount_volume; then
            same_files "$tree" "$rig_mount"
            rig_unmount_volume || fail "the volume could not be unmounted after the compare"
        else
            fail "ntfs-3g does not mount the volume"
        fi
        ;;
    grub4dos-boot)
        # The job moves the loader from \boot to the root.
        mv "$tree/boot/grldr" "$tree/grldr"
        same_files "$tree"
        ;;
    too-large)
        [ "$(volume_serial)" = "$serial_before" ] || fail "the stick was formatted"
        [ "$(mtool mtype -i "$img@@1M" ::KEEP.TXT)" = "$(cat "$work/KEEP.TXT")" ] ||
            fail "the user's file is gone"
        ;;
    wim-secure-boot)
        # All but install.wim as in the image; it is now parts, which wimlib verifies and applies.
        copy_of_stick
        mkdir -p "$work/parts"
        mv "$work/on-stick/sources"/install*.swm "$work/parts/"
        rm "$tree/sources/install.wim"
        same_files "$tree" "$work/on-stick"
        parts=$(find "$work/parts" -name '*.swm' | wc -l)
        [ "$parts" -ge 3 ] || fail "$parts parts, not 3 or more"
        "$root/tests/e2e/wim_parts_test.sh" "$work/parts" "$build/fixtures" ||
            fail "wimlib rejects the parts"
        ;;
esac
stage "checking the stick"
rig_teardown

# --- the boot

STANDIN=("STANDIN BOOTMGR CS=2000 IP=0000 DL=80 DS=0000 ES=0000 SS=0000 SP=7C00"
    "STANDIN BOOTMGR HIDDEN=00000800 BLOCKS=OK TAIL=OK")
# boot_or_fail bios|uefi TEXT...: the picture and COM1 kept as boot-FIRMWARE.png and .log.
boot_or_fail() {
    (
        fail() { echo "FAILED: $*"; exit 1; }
        boot "$@"
    ) || failures=$((failures + 1))
    mv "$dir/screen.png" "$work/boot-$1.png" 2>/dev/null
    mv "$serial" "$work/boot-$1.log" 2>/dev/null
    rm -f "$dir"/monitor*
}
case $scenario in
    bcd-fat32) boot_or_fail bios "${STANDIN[@]}" && boot_or_fail uefi "iPXE initialising devices" ;;
    ntfs) boot_or_fail bios "${STANDIN[@]}" ;;  # through our NTFS boot code
    grub4dos-boot) boot_or_fail bios "TARNVIK GRLDR TEST: GRUB IS RUNNING" ;;
    wim-secure-boot) boot_or_fail uefi-secure "TARNVIK SECURE BOOT: GRUB IS RUNNING" ;;
esac
stage "booting"

echo "results: $work"
[ "$failures" = 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "passed"
