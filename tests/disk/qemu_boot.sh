# Sourced: boots a stick image in QEMU (software emulation, SeaBIOS or OVMF, the latter also with
# Secure Boot enforced) as a USB storage device and waits for texts on COM1, and makes the GRLDR
# such boots look for. The sourcing script sets dir (results: serial.log, screen.png, qemu.log),
# img, serial, scenario and extra_qemu_args, and defines fail.
# shellcheck shell=bash disable=SC2054,SC2154 # QEMU's commas; the sourcing script sets dir etc.

BOOT_DEADLINE_S=${BOOT_DEADLINE_S:-30}
qemu_pid=

# make_grldr OUT: GRUB's g2hdr.img in front of a GRUB core image whose embedded configuration
# writes a marker to COM1, as a Grub4Dos GRLDR; its pieces go to $dir.
make_grldr() {
    printf '%s\n' 'serial --unit=0 --speed=115200' 'terminal_output serial' \
        'echo "TARNVIK GRLDR TEST: GRUB IS RUNNING"' >"$dir/embedded.cfg"
    grub-mkimage -O i386-pc -p '(hd0,msdos1)/' -c "$dir/embedded.cfg" -o "$dir/core.img" \
        biosdisk part_msdos fat serial terminal echo || fail "grub-mkimage failed"
    cat /usr/lib/grub/i386-pc/g2hdr.img "$dir/core.img" >"$1" || fail "cannot make $1"
}

stop_qemu() {
    [ -n "$qemu_pid" ] || return 0
    kill "$qemu_pid" 2>/dev/null
    wait "$qemu_pid" 2>/dev/null
    qemu_pid=
}

# COM1 as plain text: QEMU's sga device puts cursor movements between the screen's characters.
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

# $1 = bios, uefi or uefi-secure (Secure Boot enforced), then the texts to wait for on COM1 (each
# within a line).
boot() {
    local firmware=$1
    shift
    local mon=$dir/monitor code=/usr/share/OVMF/OVMF_CODE_4M.fd vars=/usr/share/OVMF/OVMF_VARS_4M.fd
    local args=(-accel tcg -m 256 -display none -nic none -serial "file:$serial"
        -monitor "pipe:$mon" -device qemu-xhci -drive "if=none,id=stick,format=raw,file=$img"
        -device usb-storage,drive=stick,bootindex=1 "${extra_qemu_args[@]}")
    case $firmware in
    bios) args+=(-device sga) ;; # BIOS screen text to COM1
    uefi-secure)
        # Microsoft's keys enrolled, in a flash that only SMM code may write, as on a real PC:
        # only signed loaders start.
        code=/usr/share/OVMF/OVMF_CODE_4M.secboot.fd vars=/usr/share/OVMF/OVMF_VARS_4M.ms.fd
        args+=(-machine q35,smm=on -global driver=cfi.pflash01,property=secure,value=on)
        ;;
    esac
    if [ "$firmware" != bios ]; then
        cp "$vars" "$dir/ovmf_vars.fd" || fail "cannot copy $vars"
        args+=(-drive "if=pflash,format=raw,unit=0,readonly=on,file=$code"
            -drive "if=pflash,format=raw,unit=1,file=$dir/ovmf_vars.fd")
    fi
    mkfifo "$mon.in" "$mon.out" || fail "cannot make the monitor pipes"
    # Held open read-write so that neither side ever blocks on the other.
    exec 3<>"$mon.in" 4<>"$mon.out"

    local start now plain found=0
    start=$(date +%s%N)
    # timeout: QEMU ends even when this script is killed before its trap runs.
    timeout $((BOOT_DEADLINE_S + 30)) qemu-system-x86_64 "${args[@]}" </dev/null >"$dir/qemu.log" 2>&1 &
    qemu_pid=$!
    while :; do
        serial_has "$@" && { found=1; break; }
        now=$(date +%s%N)
        [ $(((now - start) / 1000000000)) -lt "$BOOT_DEADLINE_S" ] || break
        kill -0 "$qemu_pid" 2>/dev/null || break
        # Our boot code and the stand-in halt after their last words, and OVMF gives up once every
        # boot option failed or was refused: no need to wait for the deadline then.
        plain=$(serial_text)
        [[ "$*" != *Tarnvik* ]] && grep -qaE 'Tarnvik (MBR|boot):' <<<"$plain" && break
        grep -qaE 'TAIL=(OK|BAD)|BdsDxe: No bootable option' <<<"$plain" && break
        sleep 0.1
    done
    [ $found -eq 1 ] || ! serial_has "$@" || found=1
    now=$(date +%s%N)
    local elapsed_ms=$(((now - start) / 1000000)) i
    if kill -0 "$qemu_pid" 2>/dev/null; then
        echo "screendump $dir/screen.png -f png" >&3
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
    for i in "$@"; do
        serial_text | grep -aF -- "$i" | head -n 1
    done
}
