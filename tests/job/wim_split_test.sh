#!/usr/bin/env bash
# Splits WIM images that wimlib makes, with the split the job runs (wim_split_host), and lets
# wimlib judge the parts: the set verifies and every image applies to the tree it was captured
# from. Solid images and a resource larger than a part are refused.
set -euo pipefail
host=$1 work=$2
command -v wimlib-imagex >/dev/null || { echo "wimtools is not installed" >&2; exit 77; }
rm -rf "$work"
mkdir -p "$work"
cd "$work"

# Files of distinct content: random ones (wimlib stores them as they are, even in a compressed
# image), hex text (which compresses), an empty file and two files of the same content.
make_tree() {
    local dir=$1 scale=$2
    mkdir -p "$dir/sub/deeper"
    for i in 1 2 3 4 5 6; do head -c $((scale * (3000 + i * 1379))) /dev/urandom >"$dir/r$i.bin"; done
    for i in 1 2 3 4; do head -c $((scale * 1000 + i)) /dev/urandom | od -An -tx1 >"$dir/sub/t$i.txt"; done
    head -c 5000 /dev/urandom | od -An -tx1 >"$dir/sub/deeper/d.txt"
    : >"$dir/empty.txt"
    echo "the same" >"$dir/same1.txt"
    echo "the same" >"$dir/sub/same2.txt"
}
make_tree tree1 10
make_tree tree2 7
capture() { wimlib-imagex capture "$@" >/dev/null; }
capture tree1 lzx.wim One --compress=LZX --boot
capture tree1 xpress.wim One --compress=XPRESS
capture tree1 none.wim One --compress=none
capture tree1 two.wim One --compress=LZX
wimlib-imagex append tree2 two.wim Two >/dev/null
capture tree1 check.wim One --compress=LZX --check
capture tree1 solid.wim One --solid

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# split IMAGE LIMIT TREE...: at least three parts, which verify, and image i applies to tree i.
split() {
    local image=$1 limit=$2 out=parts-${1%.wim} index=1
    shift 2
    mkdir -p "$out"
    "$host" "$image" "$limit" "$out" >"$out.log" 2>&1 || { fail "$image: $(cat "$out.log")"; return; }
    local count
    count=$(ls "$out" | wc -l)
    [ "$count" -ge 3 ] || fail "$image: only $count parts"
    wiminfo "$out/install.swm" --header | grep -q "^Total Parts *= $count$" || fail "$image: part count"
    wimlib-imagex verify "$out/install.swm" --ref="$out/install*.swm" >"$out.verify" 2>&1 ||
        fail "$image: wimlib does not verify the parts: $(tail -n 3 "$out.verify")"
    for tree in "$@"; do
        wimapply "$out/install.swm" $index "$out.applied$index" --ref="$out/install*.swm" \
            >/dev/null 2>&1 || fail "$image: image $index does not apply"
        diff -r "$tree" "$out.applied$index" >/dev/null || fail "$image: image $index is not $tree"
        index=$((index + 1))
    done
}

# refused IMAGE LIMIT TEXT: refused with that reason.
refused() {
    local image=$1 limit=$2 text=$3 status=0
    mkdir -p "refused-${image%.wim}"
    "$host" "$image" "$limit" "refused-${image%.wim}" >"$image.log" 2>&1 || status=$?
    [ "$status" -eq 2 ] && grep -q "refused: .*$text" "$image.log" ||
        fail "$image: not refused for \"$text\" (exit $status): $(cat "$image.log")"
}

split lzx.wim 120000 tree1
split xpress.wim 120000 tree1
split none.wim 120000 tree1
split two.wim 120000 tree1 tree2
split check.wim 120000 tree1
refused solid.wim 120000 "solid"
# The largest file, stored as it is, is larger than a part.
refused none.wim $(($(stat -c %s tree1/r6.bin) + 208 + 50)) "larger than one part"

[ "$failures" -eq 0 ] || exit 1
echo "all split images verified and applied"
