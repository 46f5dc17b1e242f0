#!/usr/bin/env bash
# wimlib, the independent judge, on the install.swm parts a whole job under Wine left on its
# drive: the set verifies, and each of its two images applies to the tree that was captured.
# Usage: wim_parts_test.sh SOURCES_FOLDER FIXTURES_FOLDER
set -euo pipefail
parts=$1 fixtures=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -f "$parts/install.swm" ] || { echo "no install.swm in $parts" >&2; exit 1; }
wimlib-imagex verify "$parts/install.swm" --ref="$parts/install*.swm" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; exit 1; }
for image in 1 2; do
    wimapply "$parts/install.swm" $image "$work/image$image" --ref="$parts/install*.swm" >/dev/null
    diff -r "$fixtures/installer-wim-image$image" "$work/image$image"
done
echo "wimlib verified $(ls "$parts"/install*.swm | wc -l) parts and applied both images"
