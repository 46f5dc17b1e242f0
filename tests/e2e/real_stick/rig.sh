# Sourced: a real stick for Wine. A sparse disk image on a loop device, formatted once by the
# disk tool's Linux build so that Wine sees a volume before the job; its FAT32 volume mounted
# through guestmount (the kernel here has no FAT driver), NTFS through ntfs-3g. Wine's E: is the
# mount folder with the partition device beside it ("e::"), so the label, "FAT32" and the sizes
# come from the volume itself, and a removable drive; \\.\PhysicalDrive9 is the image file (Wine
# tells no size for a block device opened as a disk).
# A helper answers the disk tool's requests to unmount and mount the volume and to format it NTFS
# (the protocol is at the top of tests/support/stick_handshake_win32.h). The NTFS format is the
# Linux build's, by stick_ntfs_format beside the disk tool's Linux build.
#
# rig_setup DIR SIZE FS LABEL TOOL [unmounted]
#                                     makes DIR/stick.img and mounts it at DIR/mount (or not yet)
# rig_map_wine PREFIX                 maps E: and PhysicalDrive9 (before the Wine session starts)
# rig_start_helper                    answers requests in DIR/handshake until rig_teardown:
#                                     "unmount", "mount", "remount" (both, nothing kept cached)
# rig_request ACTION                  sends one request as the Wine side does; prints the answer
# rig_teardown                        stops and removes all of it; safe to call more than once
# The functions tolerate their own failed commands also when the caller runs with "set -e".
# Set: rig_image, rig_loop, rig_part, rig_mount, rig_handshake, rig_log.

rig_dir= rig_image= rig_loop= rig_part= rig_mount= rig_fs= rig_handshake= rig_log=
rig_ntfs_formatter=
rig_mount_pid= rig_helper_pid= rig_prefix=
export LIBGUESTFS_BACKEND_SETTINGS=force_tcg

rig_note() { printf '%s %s\n' "$(date +%T.%N | cut -c1-12)" "$*" >>"$rig_log"; }

# What the rig needs; prints the first missing piece and fails.
rig_missing() {
    [ "$(id -u)" = 0 ] || { echo "root (loop devices and mounts)"; return 0; }
    local needed
    for needed in losetup partx blockdev guestmount guestunmount ntfs-3g sfdisk fsck.fat mcopy \
        qemu-system-x86_64 xvfb-run wine; do
        command -v "$needed" >/dev/null || { echo "$needed"; return 0; }
    done
    [ -e /dev/fuse ] || { echo "/dev/fuse"; return 0; }
    compgen -G "/boot/vmlinuz-*" >/dev/null || { echo "a Linux kernel in /boot for guestmount"; return 0; }
    return 1
}

rig_setup() {
    local -
    set +e
    local size=$2 label=$4 tool=$5 unmounted=
    [ "${6:-}" = unmounted ] && unmounted=1
    rig_dir=$1 rig_fs=$3
    rig_image=$rig_dir/stick.img rig_mount=$rig_dir/mount rig_handshake=$rig_dir/handshake
    rig_log=$rig_dir/rig.log
    rig_ntfs_formatter=$(dirname "$tool")/stick_ntfs_format
    mkdir -p "$rig_mount" "$rig_handshake"
    rm -f "$rig_handshake"/* "$rig_dir/file-system"
    : >"$rig_log"
    rm -f "$rig_image"
    truncate -s "$size" "$rig_image" || return 1
    rig_loop=$(losetup -fP --show "$rig_image") || return 1
    rig_note "attached $rig_image as $rig_loop"
    "$tool" --disk "$rig_loop" /partitions /repartition /activate /usb-hdd "/fstype=$rig_fs" \
        "/vollabel=$label" /quiet >>"$rig_log" 2>&1 || { rig_note "first format failed"; return 1; }
    rig_part=${rig_loop}p1
    [ -b "$rig_part" ] || partx -u "$rig_loop"
    local i
    for i in $(seq 50); do [ -b "$rig_part" ] && break; sleep 0.1; done
    [ -b "$rig_part" ] || { rig_note "no $rig_part"; return 1; }
    [ -n "$unmounted" ] || rig_mount_volume
}

# Drops what the kernel keeps of the loop device and of its partition: the tool and the mount
# write the image file, Wine reads the boot sector through the partition, each with a cache.
rig_flush() {
    sync
    blockdev --flushbufs "$rig_loop" "$rig_part" 2>/dev/null
}

rig_mount_volume() {
    local -
    set +e
    [ -n "$rig_mount_pid" ] && return 0
    rig_flush
    local start=$SECONDS
    if [ "$rig_fs" = NTFS ]; then
        ntfs-3g "$rig_part" "$rig_mount" >>"$rig_log" 2>&1 || return 1
        rig_mount_pid=$(pgrep -nf "^ntfs-3g $rig_part ") || true
    else
        rm -f "$rig_dir/guestmount.pid"
        guestmount --format=raw -a "$rig_image" -m /dev/sda1 -o big_writes -o max_write=131072 \
            --pid-file "$rig_dir/guestmount.pid" "$rig_mount" </dev/null >>"$rig_log" 2>&1 ||
            return 1
        rig_mount_pid=$(cat "$rig_dir/guestmount.pid")
    fi
    rig_note "mounted (process $rig_mount_pid) in $((SECONDS - start)) s"
}

# Unmounts and waits until the FUSE process is gone: only then has the volume been written out.
rig_unmount_volume() {
    local -
    set +e
    [ -z "$rig_mount_pid" ] && return 0
    local start=$SECONDS
    if [ "$rig_fs" = NTFS ]; then
        fusermount -u "$rig_mount" 2>>"$rig_log" || umount "$rig_mount" 2>>"$rig_log"
    else
        guestunmount --retry=10 "$rig_mount" >>"$rig_log" 2>&1
    fi
    local i
    for i in $(seq 600); do
        kill -0 "$rig_mount_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$rig_mount_pid" 2>/dev/null; then
        rig_note "the mount process $rig_mount_pid did not end"
        return 1
    fi
    rig_mount_pid=
    rig_flush
    rig_note "unmounted in $((SECONDS - start)) s"
}

# The disk tool has written its table and had the volume unmounted. Whatever mounts the volume
# from now on mounts NTFS; the test learns that from the file "file-system" once the helper ended.
rig_format_ntfs() {
    local -
    set +e
    [ -z "$rig_mount_pid" ] || { rig_note "format-ntfs while mounted"; return 1; }
    "$rig_ntfs_formatter" "$rig_loop" "$1" >>"$rig_log" 2>&1 || return 1
    rig_fs=NTFS
    echo NTFS >"$rig_dir/file-system"
    rig_flush
}

rig_helper_loop() {
    local -
    set +e
    local request action argument
    while :; do
        request=$rig_handshake/request
        if [ -f "$request" ]; then
            action= argument=
            { read -r action; read -r argument; } <"$request"
            rm -f "$request"
            rig_note "request: $action${argument:+ ($argument)}"
            local reply=failed
            case $action in
                unmount) rig_unmount_volume && reply=ok ;;
                mount) rig_mount_volume && reply=ok ;;
                remount) rig_unmount_volume && rig_mount_volume && reply=ok ;;
                format-ntfs) rig_format_ntfs "$argument" && reply=ok ;;
            esac
            echo "$reply" >"$rig_handshake/answer.new"
            mv "$rig_handshake/answer.new" "$rig_handshake/answer"
            rig_note "answered $action: $reply"
        fi
        sleep 0.1
    done
}

rig_request() {
    rm -f "$rig_handshake/answer"
    echo "$1" >"$rig_handshake/request.new"
    mv "$rig_handshake/request.new" "$rig_handshake/request"
    local i
    for i in $(seq 1200); do
        [ -f "$rig_handshake/answer" ] && break
        sleep 0.1
    done
    cat "$rig_handshake/answer" 2>/dev/null || echo "no answer"
    rm -f "$rig_handshake/answer"
}

rig_start_helper() {
    rig_helper_loop &
    rig_helper_pid=$!
}

# The helper runs in a subshell: the mount it made last is known only by its pid file.
rig_stop_helper() {
    local -
    set +e
    [ -z "$rig_helper_pid" ] && return 0
    kill "$rig_helper_pid" 2>/dev/null
    wait "$rig_helper_pid" 2>/dev/null
    rig_helper_pid=
    rig_mount_pid=
    [ -f "$rig_dir/file-system" ] && rig_fs=$(cat "$rig_dir/file-system")
    if [ "$rig_fs" = NTFS ]; then
        rig_mount_pid=$(pgrep -nf "^ntfs-3g $rig_part ") || true
    elif mountpoint -q "$rig_mount" && [ -f "$rig_dir/guestmount.pid" ]; then
        rig_mount_pid=$(cat "$rig_dir/guestmount.pid")
    fi
}

# E: must never be mapped without its own "e::": Wine would open the device holding the folder
# (the host's own disk) for \\.\E:.
rig_map_wine() {
    local -
    set +e
    rig_prefix=$1
    local devices=$rig_prefix/dosdevices
    rm -f "$devices"/[d-y]: "$devices"/[d-y]:: "$devices/physicaldrive9"
    ln -s "$rig_part" "$devices/e::" || return 1
    ln -s "$rig_mount" "$devices/e:" || return 1
    ln -s "$rig_image" "$devices/physicaldrive9" || return 1
    [ "$(readlink "$devices/e::")" = "$rig_part" ] || return 1
}

# After the session started: E: as a removable drive.
rig_mark_removable() {
    wine reg add 'HKLM\Software\Wine\Drives' /v e: /d floppy /f >/dev/null 2>&1
}

rig_teardown() {
    local -
    set +e
    rig_stop_helper
    if [ -n "$rig_prefix" ]; then
        WINEPREFIX=$rig_prefix wineserver -k 2>/dev/null
        WINEPREFIX=$rig_prefix wineserver -w
        rm -f "$rig_prefix/dosdevices/e:" "$rig_prefix/dosdevices/e::" \
            "$rig_prefix/dosdevices/physicaldrive9"
        rig_prefix=
    fi
    rig_unmount_volume
    if mountpoint -q "$rig_mount" 2>/dev/null; then
        guestunmount "$rig_mount" 2>/dev/null || fusermount -u "$rig_mount" 2>/dev/null
    fi
    if [ -n "$rig_loop" ]; then
        losetup -d "$rig_loop" 2>/dev/null
        rig_note "detached $rig_loop"
        # The kernel lets go of the file only when the last user of the device closed it.
        local i
        for i in $(seq 50); do
            [ -n "$(losetup -j "$rig_image" 2>/dev/null)" ] || break
            sleep 0.1
        done
        rig_loop=
    fi
}
