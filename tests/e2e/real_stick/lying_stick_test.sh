#!/usr/bin/env bash
# The fake-capacity stick (lying_stick.cpp) alone; under the real-stick rig it is the
# real_stick.lying scenario's, which fails if the rig keeps, or caches, what the stick lost.
# Usage: lying_stick_test.sh LYING_STICK WORKDIR SCENARIO
#   boundary: writes around a capacity that ends inside a page, read back through a new mount
set -u
program=$1 work=$2/$3 scenario=$3

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

case $scenario in
    boundary) boundary ;;
    *) fail "unknown scenario $scenario" ;;
esac
echo passed
