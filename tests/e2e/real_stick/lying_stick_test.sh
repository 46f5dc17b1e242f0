#!/usr/bin/env bash
# The fake-capacity stick (lying_stick.cpp) alone and under the real-stick rig.
# Usage: lying_stick_test.sh LYING_STICK HOST_DISK_TOOL WORKDIR SCENARIO
#   boundary: writes around a capacity that ends inside a page, read back through a new mount
#   rig:      a 256 MiB stick keeping 128 MiB, FAT32 through guestmount, a file larger than
#             what it keeps read back after the helper's "remount"
set -u
program=$1 tool=$2 work=$3/$4 scenario=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/rig.sh"

skip() {
    echo "skipped: $*"
    exit 77
}
fail() {
    echo "FAILED: $*"
    exit 1
}
[ -x "$program" ] || skip "no $program (libfuse3-dev was missing at build time)"
{ [ -e /dev/fuse ] && command -v fusermount3 >/dev/null; } || skip "needs /dev/fuse and fusermount3"
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1

boundary() {
    local size=1048576 capacity=9192 pid
    mkdir mount
    start() {
        "$program" backing.img $size $capacity mount -f 2>>lying.log &
        pid=$!
        for _ in $(seq 50); do findmnt -rn -M mount >/dev/null && return 0; sleep 0.1; done
        fail "no mount: $(cat lying.log)"
    }
    stop() {
        fusermount3 -u mount
        wait "$pid"
    }
    trap 'fusermount3 -uz mount 2>/dev/null' EXIT
    start
    [ "$(stat -c %s mount/stick.img)" = $size ] || fail "size $(stat -c %s mount/stick.img)"
    # offset length: across the boundary (which lies inside a page) from a page edge and from
    # inside the boundary's page, and wholly beyond it.
    local cases=("4096 16384" "9000 500" "20000 3000")
    local case offset length kept
    for case in "${cases[@]}"; do
        read -r offset length <<<"$case"
        head -c "$length" /dev/urandom >data
        dd if=data of=mount/stick.img bs="$length" oflag=seek_bytes seek="$offset" conv=notrunc \
            status=none || fail "write $case"
        kept=$((capacity > offset ? capacity - offset : 0))
        kept=$((kept < length ? kept : length))
        { head -c "$kept" data; head -c $((length - kept)) /dev/zero; } >expected
        cmp <(tail -c +$((offset + 1)) mount/stick.img | head -c "$length") expected ||
            fail "read back at $offset, $length bytes"
        dd if=expected of=model bs="$length" oflag=seek_bytes seek="$offset" conv=notrunc \
            status=none
    done
    truncate -s $size model
    stop
    # A new process: only what the backing file kept.
    start
    cmp mount/stick.img model || fail "read back through a new mount"
    cmp backing.img model || fail "the backing file"
    truncate -s 0 mount/stick.img 2>/dev/null && fail "truncate was accepted"
    dd if=data of=mount/stick.img bs=1 seek=$size conv=notrunc status=none 2>/dev/null &&
        fail "a write beyond the end was accepted"
    [ "$(stat -c %s mount/stick.img) $(stat -c %s backing.img)" = "$size $size" ] ||
        fail "sizes changed"
    stop
}

rig() {
    local missing
    if missing=$(rig_lying_missing "$program"); then skip "needs $missing"; fi
    [ "$(id -u)" = 0 ] || skip "needs root (loop devices and mounts)"
    for missing in losetup partx blockdev guestmount guestunmount findmnt numfmt; do
        command -v $missing >/dev/null || skip "needs $missing"
    done
    compgen -G "/boot/vmlinuz-*" >/dev/null || skip "needs a Linux kernel in /boot for guestmount"
    [ -x "$tool" ] || skip "no Linux build of the disk tool at $tool"
    export RIG_LYING_STICK=$program
    trap 'rig_teardown' EXIT
    trap 'exit 1' INT TERM
    local started=$SECONDS
    rig_setup "$work/stick" 256M FAT32 LYING "$tool" lying=128M || { cat "$rig_log"; fail "setup"; }
    head -c 1M /dev/urandom >small
    head -c 150M /dev/urandom >big
    cp small big "$rig_mount/" || fail "copy"
    local size
    size=$(df -B1 --output=size "$rig_mount" | tail -1)
    [ "$size" -gt $((250 << 20)) ] || fail "df shows $size bytes"
    rig_start_helper
    local answer
    answer=$(rig_request remount)
    [ "$answer" = ok ] || { cat "$rig_log"; fail "remount answered $answer"; }
    cmp small "$rig_mount/small" || fail "the small file changed"
    # The file runs past what the stick keeps: its start is there, its end reads as zeros.
    cp "$rig_mount/big" back || fail "reading the big file back"
    cmp -n 100M big back || fail "the start of the big file changed"
    cmp -s big back && fail "the big file read back whole: something cached it"
    [ -z "$(tail -c 10M back | tr -d '\0' | head -c 1)" ] ||
        fail "the end of the big file is not zeros"
    size=$(df -B1 --output=size "$rig_mount" | tail -1)
    [ "$size" -gt $((250 << 20)) ] || fail "after the remount df shows $size bytes"
    rig_teardown
    findmnt -rn -M "$rig_dir/lying" >/dev/null && fail "the lying stick is still mounted"
    findmnt -rn -M "$rig_mount" >/dev/null && fail "the volume is still mounted"
    losetup -a | grep -F "$rig_dir" && fail "a loop device still holds the stick"
    echo "time: $((SECONDS - started)) s"
}

case $scenario in
    boundary) boundary ;;
    rig) rig ;;
    *) fail "unknown scenario $scenario" ;;
esac
echo passed
