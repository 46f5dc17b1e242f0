#!/usr/bin/env bash
# Sets up, builds and runs Tarnvik under Wine. Arguments go to Tarnvik (for example: debug).
# With a display it opens in a window there. Without one it shows a whole job on a private Xvfb
# display: a folder mapped as USB drive E:, a sample image made now, the real 7-Zip payload and a
# stand-in for BOOTICE; it saves screenshots and says where the drive's folder and the log are.
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
mkdir -p "$run/sample/sources/deep" "$run/sample/boot"
printf 'Made by the Tarnvik run command\r\n' > "$run/sample/README.TXT"
head -c 2097152 /dev/urandom > "$run/sample/sources/install.wim"
head -c 4096 /dev/urandom > "$run/sample/boot/bcd"
printf 'deep\r\n' > "$run/sample/sources/deep/file.txt"
xorriso -as mkisofs -J -R -V SAMPLE -o "$run/sample.iso" "$run/sample" >/dev/null 2>&1

prefix=$PWD/build/win64/wineprefix-run
prepare_wine_prefix "$prefix" N
export WINEPREFIX=$prefix
echo "Running a demonstration job: the program's test build (it reports the folder drive E: as USB),"
echo "a stand-in for BOOTICE that does no disk work, and the real 7-Zip payload."
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
    source scripts/wine-env.sh
    start_wine_session "$WINEPREFIX"
    wine build/win64/run_demo.exe "$(winepath -w "$0")"
    status=$?
    wineserver -k 2>/dev/null
    exit $status' "$run/sample.iso"
echo "Screenshots: $run/1-chosen.png $run/2-warning.png $run/3-running.png $run/4-finished.png"
echo "The drive's folder: $run/usb-stick-E"
echo "The log: $run/Tarnvik.log"
