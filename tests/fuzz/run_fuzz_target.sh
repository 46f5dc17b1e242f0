#!/usr/bin/env bash
# Runs one fuzz target for a bounded time over its seeds and what earlier runs found. Quiet unless
# it finds something: then its log's end is printed and the input is kept under findings/.
set -uo pipefail
target=$1 seeds=$2 work=$3 seconds=$4
mkdir -p "$work/corpus" "$work/findings"
log=$work/fuzz.log
corpora=("$work/corpus")
[ -d "$seeds" ] && corpora+=("$seeds")
if "$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "${corpora[@]}" >"$log" 2>&1; then
    exit 0
fi
echo "$(basename "$target"): a finding; the input is in $work/findings/, the log ends:" >&2
tail -n 60 "$log" >&2
exit 1
