#!/usr/bin/env bash
# Whole-process measure of valdoro: wall time of a run against copying its
# six output files with cp on the same machine, and peak resident memory.
# Usage: bench/processo.sh PATH/TO/valdoro [RUNS]
set -euo pipefail
exe=$(realpath "$1")
runs=${2:-20}
bash "$(dirname "$0")/../scripts/setup.sh" time
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/copy"
cp "$exe" "$work/run/valdoro"
"$work/run/valdoro" 2>/dev/null

now() { date +%s%N; }
t0=$(now)
for _ in $(seq "$runs"); do "$work/run/valdoro" 2>/dev/null; done
t1=$(now)
for _ in $(seq "$runs"); do cp "$work/run"/Valdoro* "$work/copy/"; done
t2=$(now)
rss=$(/usr/bin/time -f %M "$work/run/valdoro" 2>&1 >/dev/null | tail -n 1)

run_ms=$(( (t1 - t0) / runs / 1000000 ))
cp_ms=$(( (t2 - t1) / runs / 1000000 ))
echo "valdoro run: ${run_ms} ms; cp of its six files: ${cp_ms} ms; peak RSS: ${rss} KiB"
