#!/bin/bash
# shellcheck disable=SC2054 # the commas in arrays are QEMU's option syntax
# Makes a stick image with the disk tool's three runs, puts files on it with
# mtools and boots it in QEMU as a USB stick, waiting for a text on COM1.
#
#   boot_test.sh SCENARIO TOOL BOOT_BINARIES WORKDIR
#
# SCENARIO  bios-bootmgr, bios-bootmgr-missing, bios-bootmgr-too-large,
#           bios-bootmgr-damaged, bios-no-active, bios-no-boot-record, bios-grldr,
#           bios-grldr-missing, bios-no-edd, bios-sectors-4k or uefi-ipxe
# TOOL      the Linux build of the disk tool
# BOOT_BINARIES  folder with the assembled standin_bootmgr.bin,
#           no_edd_shim.bin and sector_4k_shim.bin
# WORKDIR   results go to WORKDIR/SCENARIO: the image, serial.log, screen.png
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 SCENARIO TOOL BOOT_BINARIES WORKDIR" >&2
    exit 2
fi
scenario=$1
tool=$2
standin=$3/standin_bootmgr.bin
no_edd_shim=$3/no_edd_shim.bin
sector_4k_shim=$3/sector_4k_shim.bin
dir=$4/$scenario

BOOT_DEADLINE_S=30
OVMF_CODE=/usr/share/OVMF/OVMF_CODE_4M.fd
OVMF_VARS=/usr/share/OVMF/OVMF_VARS_4M.fd
GRUB_DIR=/usr/lib/grub/i386-pc
IPXE_EFI=/usr/lib/ipxe/ipxe.efi

img=$dir/stick.img
PART_OFFSET=$((2048 * 512))
serial=$dir/serial.log
qemu_pid=
extra_qemu_args=()

fail() {
    echo "FAIL $scenario: $*" >&2
    exit 1
}

stop_qemu() {
    if [ -n "$qemu_pid" ]; then
        kill "$qemu_pid" 2>/dev/null
        wait "$qemu_pid" 2>/dev/null
        qemu_pid=
extra_qemu_args=()
    fi
}
trap stop_qemu EXIT
trap 'exit 1' INT TERM

rm -rf "$dir"
mkdir -p "$dir" || fail "cannot create $dir"

run_tool() {
    "$tool" --disk "$img" "$@"
    local rc=$?
    [ $rc -eq 0 ] || fail "tarnvik-disk $* exited with $rc"
}

# $1 = bootmgr or grub4dos: the boot record the stick gets.
make_stick() {
    truncate -s 256M "$img" || fail "cannot create $img"
    run_tool /partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=TEST /quiet
    run_tool /mbr /install /type=nt60 /quiet
    case $1 in
    bootmgr) run_tool /pbr /install /type=bootmgr /quiet ;;
    grub4dos) run_tool /pbr /install /type=grub4dos /pbr-disable-floppy /quiet ;;
    esac
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

# Loader as GRLDR: GRUB's g2hdr.img in front of a GRUB core image whose
# embedded configuration writes a marker to the serial port.
make_grldr() {
    cat >"$dir/embedded.cfg" <<'EOF'
serial --unit=0 --speed=115200
terminal_output serial
echo "TARNVIK GRLDR TEST: GRUB IS RUNNING"
EOF
    grub-mkimage -O i386-pc -p '(hd0,msdos1)/' -c "$dir/embedded.cfg" -o "$dir/core.img" \
        biosdisk part_msdos fat serial terminal echo ||
        fail "grub-mkimage failed"
    cat "$GRUB_DIR/g2hdr.img" "$dir/core.img" >"$dir/GRLDR" || fail "cannot make GRLDR"
}

# COM1 as plain text: QEMU's sga device puts cursor movements between the
# characters of the screen's text.
serial_text() {
    sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g' "$serial" 2>/dev/null
}

# All of TEXT... appear on COM1.
serial_has() {
    local text plain
    plain=$(serial_text)
    for text in "$@"; do
        grep -qaF -- "$text" <<<"$plain" || return 1
    done
}

# $1 = bios or uefi, then the texts to wait for on COM1 (each within a line).
boot() {
    local firmware=$1
    shift
    local mon=$dir/monitor
    local args=(-accel tcg -m 256 -display none -nic none
        -serial "file:$serial" -monitor "pipe:$mon"
        -device qemu-xhci
        -drive "if=none,id=stick,format=raw,file=$img"
        -device usb-storage,drive=stick,bootindex=1
        "${extra_qemu_args[@]}")
    if [ "$firmware" = bios ]; then
        args+=(-device sga) # BIOS screen text to COM1
    else
        cp "$OVMF_VARS" "$dir/ovmf_vars.fd" || fail "cannot copy $OVMF_VARS"
        args+=(-drive "if=pflash,format=raw,unit=0,readonly=on,file=$OVMF_CODE"
            -drive "if=pflash,format=raw,unit=1,file=$dir/ovmf_vars.fd")
    fi
    mkfifo "$mon.in" "$mon.out" || fail "cannot make the monitor pipes"
    # Held open read-write so that neither side ever blocks on the other.
    exec 3<>"$mon.in" 4<>"$mon.out"

    local start now
    start=$(date +%s%N)
    # timeout: QEMU ends even when this script is killed before its trap runs.
    timeout $((BOOT_DEADLINE_S + 30)) qemu-system-x86_64 "${args[@]}" </dev/null >"$dir/qemu.log" 2>&1 &
    qemu_pid=$!

    local found=0
    while :; do
        if serial_has "$@"; then
            found=1
            break
        fi
        now=$(date +%s%N)
        if [ $(((now - start) / 1000000000)) -ge $BOOT_DEADLINE_S ]; then
            break
        fi
        # Our boot code and the stand-in halt after their last words: no
        # need to wait for the deadline once those are on COM1.
        if [[ "$*" != *Tarnvik* ]] && serial_text | grep -qaE 'Tarnvik (MBR|boot):'; then
            break
        fi
        if serial_text | grep -qaE 'TAIL=(OK|BAD)'; then
            break
        fi
        if ! kill -0 "$qemu_pid" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    [ $found -eq 1 ] || ! serial_has "$@" || found=1
    now=$(date +%s%N)
    local elapsed_ms=$(((now - start) / 1000000))

    if kill -0 "$qemu_pid" 2>/dev/null; then
        echo "screendump $dir/screen.png -f png" >&3
        local i
        for i in $(seq 1 50); do
            [ -s "$dir/screen.png" ] && break
            sleep 0.1
        done
    fi
    stop_qemu
    exec 3>&- 4>&-

    printf 'boot %s (%s): %d.%03d s, screendump %s\n' "$scenario" "$firmware" \
        $((elapsed_ms / 1000)) $((elapsed_ms % 1000)) "$dir/screen.png"
    if [ $found -ne 1 ]; then
        echo "--- serial output (last 40 lines) ---"
        serial_text | tail -n 40
        echo "--- qemu ---"
        cat "$dir/qemu.log"
        fail "not all of [$*] appeared on COM1 (the boot stopped or $BOOT_DEADLINE_S s passed)"
    fi
    echo "PASS $scenario; on COM1:"
    local text
    for text in "$@"; do
        serial_text | grep -aF -- "$text" | head -n 1
    done
}

STANDIN_ENTRY=("STANDIN BOOTMGR CS=2000 IP=0000 DL=80 DS=0000 ES=0000 SS=0000 SP=7C00"
    "STANDIN BOOTMGR HIDDEN=00000800 BLOCKS=OK TAIL=OK")

case $scenario in
bios-bootmgr)
    make_stick bootmgr
    add_clutter
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
    finish_clutter BOOTMGR
    boot bios "${STANDIN_ENTRY[@]}"
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
    make_stick bootmgr
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
    first=$(mshowfat -i "$img@@1M" ::BOOTMGR | sed -n 's/^[^<]*<\([0-9]*\).*/\1/p')
    [ -n "$first" ] || fail "no cluster chain for BOOTMGR"
    reserved=$(od -An -tu2 -j $((PART_OFFSET + 14)) -N2 "$img" | tr -d ' ')
    poke $((PART_OFFSET + reserved * $(sector_size) + first * 4)) '\xff\xff\xff\x0f'
    boot bios "Tarnvik boot: BOOTMGR is damaged"
    ;;
bios-no-active)
    make_stick bootmgr
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
    poke 446 '\x00'
    boot bios "Tarnvik MBR: no active partition"
    ;;
bios-no-boot-record)
    make_stick bootmgr
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
    poke $((PART_OFFSET + 510)) '\x00\x00'
    boot bios "Tarnvik MBR: no boot record"
    ;;
bios-grldr)
    make_stick grub4dos
    add_clutter
    make_grldr
    mtool mcopy -i "$img@@1M" "$dir/GRLDR" ::
    finish_clutter GRLDR
    boot bios "TARNVIK GRLDR TEST: GRUB IS RUNNING"
    ;;
bios-no-edd)
    # A helper disk boots first and hides the INT 13h extensions, so the
    # stick (then drive 81h) is read by CHS only, by the MBR and the boot
    # record alike; its boot code must also stay with the drive it was given.
    make_stick bootmgr
    add_clutter
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
    finish_clutter BOOTMGR
    add_helper_disk "$no_edd_shim"
    boot bios "NO-EDD SHIM: INT 13h extensions hidden" \
        "STANDIN BOOTMGR CS=2000 IP=0000 DL=81 DS=0000 ES=0000 SS=0000 SP=7C00" \
        "STANDIN BOOTMGR HIDDEN=00000800 BLOCKS=OK TAIL=OK"
    ;;
bios-sectors-4k)
    # The tool's own layout and boot code on a disk of 4096-byte logical
    # sectors: a loop device with that sector size (root only). QEMU's BIOS
    # boots only 512-byte disks, so the helper disk makes the stick's extended
    # reads count in 4096-byte sectors.
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a 4096-byte loop device: skipped"; exit 0; }
    img=$dir/stick-4k.img
    truncate -s 512M "$img" || fail "cannot create $img"
    loop=$(losetup --sector-size 4096 -f --show "$img") || fail "no loop device"
    for line in "/partitions /repartition /activate /usb-hdd /fstype=FAT32 /vollabel=TEST /quiet" \
        "/mbr /install /type=nt60 /quiet" "/pbr /install /type=bootmgr /quiet"; do
        # shellcheck disable=SC2086 # the switches are separate words
        "$tool" --disk "$loop" $line || { losetup -d "$loop"; fail "tarnvik-disk $line on $loop"; }
    done
    losetup -d "$loop"
    [ "$(sector_size)" = 4096 ] || fail "the volume does not have 4096-byte sectors"
    add_clutter
    mtool mcopy -i "$img@@1M" "$standin" ::BOOTMGR
    finish_clutter BOOTMGR
    add_helper_disk "$sector_4k_shim"
    boot bios "4K SHIM: drive 81 has 4096-byte sectors" \
        "STANDIN BOOTMGR CS=2000 IP=0000 DL=81 DS=0000 ES=0000 SS=0000 SP=7C00" \
        "STANDIN BOOTMGR HIDDEN=00000100 BLOCKS=OK TAIL=OK"
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
*)
    fail "unknown scenario"
    ;;
esac
