#!/usr/bin/env bash
# Sets up, builds and runs Tarnvik under Wine. Arguments go to Tarnvik (for example: debug).
# With a display it opens in a window there. Without one it shows a whole job on a private Xvfb
# display: a sample image made now, the real 7-Zip payload and, as root, a stick image that Wine
# shows as USB drive E: with the real disk tool, booted in QEMU afterwards (otherwise a folder as
# E: and a stand-in for BOOTICE); it saves pictures of Tarnvik's window (demo/run_demo.cpp) and says
# where the stick, they and the log are.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win64 >/dev/null
source scripts/wine-env.sh

if [ -n "${DISPLAY:-}" ]; then
    cmake --build --preset win64 --target Tarnvik
    prefix=$PWD/build/win64/wineprefix-desktop
    prepare_wine_prefix "$prefix" Y
    WINEPREFIX=$prefix exec wine build/win64/Tarnvik.exe "$@"
fi

cmake --build --preset win64 --target Tarnvik run_demo
run=$PWD/build/win64/run
rm -rf "$run"
mkdir -p "$run/sample/sources/deep" "$run/sample/boot" "$run/sample/efi/boot"
printf 'Made by the Tarnvik run command\r\n' > "$run/sample/README.TXT"
head -c 2097152 /dev/urandom > "$run/sample/sources/install.wim"
head -c 4096 /dev/urandom > "$run/sample/boot/bcd"
printf 'deep\r\n' > "$run/sample/sources/deep/file.txt"
# Loaders that show the stick boots: a stand-in for Windows' BOOTMGR (BIOS), iPXE (UEFI).
nasm -f bin -o "$run/sample/BOOTMGR" tests/disk/boot/standin_bootmgr.asm
cp /usr/lib/ipxe/ipxe.efi "$run/sample/efi/boot/bootx64.efi"
xorriso -as mkisofs -J -R -V SAMPLE -o "$run/sample.iso" "$run/sample" >/dev/null 2>&1

prefix=$PWD/build/win64/wineprefix-run
prepare_wine_prefix "$prefix" N
export WINEPREFIX=$prefix
source tests/e2e/real_stick/rig.sh
if missing=$(rig_missing); then
    echo "No stick image without $missing: a folder stands for drive E: instead."
    echo "Running a demonstration job: the program's test build (it reports the folder drive E: as USB),"
    echo "a stand-in for BOOTICE that does no disk work, and the real 7-Zip payload."
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
        source scripts/wine-env.sh
        start_wine_session "$WINEPREFIX"
        wine build/win64/run_demo.exe "$(winepath -w "$0")"
        status=$?
        wineserver -k 2>/dev/null
        exit $status' "$run/sample.iso"
    echo "Pictures of the window: $run/1-chosen.png $run/2-warning.png $run/3-running.png $run/4-finished.png"
    echo "The drive's folder: $run/usb-stick-E"
    echo "The log: $run/Tarnvik.log"
    exit 0
fi

cmake --preset host >/dev/null
cmake --build --preset host --target tarnvik-disk >/dev/null
echo "Making a 256 MiB stick image and mounting its FAT32 volume (about 20 s)..."
exec 9>"${TARNVIK_WINE_DRIVES_LOCK:-/tmp/tarnvik-wine-drives.lock}"
flock -w 600 9 || { echo "Another run has held the drive-letter lock for 10 minutes."; exit 1; }
trap rig_teardown EXIT
trap 'exit 1' INT TERM
rig_setup "$run/stick" 256M FAT32 "DEMO STICK" build/host/tarnvik-disk || { cat "$rig_log"; exit 1; }
wineserver -k 2>/dev/null || true
wineserver -w
start_wine_session "$prefix"
rig_mark_removable
wineserver -k 2>/dev/null || true
wineserver -w
rig_map_wine "$prefix" || { echo "E: could not be mapped to the stick"; exit 1; }
printf 'E 9 usb\nC 0 sata\nZ 0 sata\n' > "$run/volume-disks.txt"
export TARNVIK_TEST_VOLUME_DISKS_FILE="Z:${run//\//\\}\\volume-disks.txt"
export TARNVIK_TEST_STICK_HANDSHAKE="Z:${rig_handshake//\//\\}"
rig_start_helper
echo "Running a demonstration job on it: the program's test build (it reports E: as USB), the"
echo "real disk tool (its build that has the volume unmounted while it writes) and the real 7-Zip."
set +e
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    source scripts/wine-env.sh
    start_wine_session "$WINEPREFIX"
    wine build/win64/run_demo.exe "Z:${0//\//\\}" real-stick
    status=$?
    wineserver -k 2>/dev/null
    exit $status' "$run/sample.iso"
job=$?
set -e
rig_teardown

# The boot, as a USB stick in QEMU with SeaBIOS.
dir=$run/boot img=$rig_image serial=$run/boot/serial.log scenario=demo extra_qemu_args=()
fail() { echo "$*"; exit 1; }
source tests/disk/qemu_boot.sh
mkdir -p "$dir"
echo "Booting the stick image in QEMU (BIOS)..."
booted=0
(set +e; boot bios "STANDIN BOOTMGR HIDDEN=00000800 BLOCKS=OK TAIL=OK" >"$dir/boot.txt") && booted=1
cp "$dir/screen.png" "$run/5-boot.png" 2>/dev/null || true
echo
if [ $booted = 1 ]; then
    echo "The stick booted in BIOS mode: our MBR and FAT32 boot record loaded the sample's BOOTMGR"
    echo "(a stand-in that prints what it was given):"
    serial_text | grep -a "STANDIN BOOTMGR" | sed 's/^/    /'
else
    echo "The stick did not boot to the sample's BOOTMGR; COM1 said:"
    serial_text | tail -n 5 | sed 's/^/    /'
fi
echo "The stick image (kept): $rig_image"
echo "The boot screen: $run/5-boot.png"
echo "Pictures of the window: $run/1-chosen.png $run/2-warning.png $run/3-running.png $run/4-finished.png"
echo "The log: $run/Tarnvik.log"
[ $job = 0 ] && [ $booted = 1 ]
