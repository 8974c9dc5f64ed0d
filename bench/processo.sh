#!/usr/bin/env bash
# Whole-process measure of valdoro: wall time of a run against copying its
# six output files with cp on the same machine, and peak resident memory.
# The two alternate, run by run, so a busy moment of the disk or of the
# machine falls on both; the medians are reported.
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
cp "$work/run"/Valdoro* "$work/copy/"

now() { date +%s%N; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
: >"$work/run.us"
: >"$work/cp.us"
for _ in $(seq "$runs"); do
  t0=$(now)
  "$work/run/valdoro" 2>/dev/null
  t1=$(now)
  cp "$work/run"/Valdoro* "$work/copy/"
  t2=$(now)
  echo $(( (t1 - t0) / 1000 )) >>"$work/run.us"
  echo $(( (t2 - t1) / 1000 )) >>"$work/cp.us"
done
rss=$(/usr/bin/time -f %M "$work/run/valdoro" 2>&1 >/dev/null | tail -n 1)

run_us=$(median <"$work/run.us")
cp_us=$(median <"$work/cp.us")
awk -v r="$run_us" -v c="$cp_us" -v m="$rss" 'BEGIN {
  printf "valdoro run: %.1f ms; cp of its six files: %.1f ms; ratio %.2f; peak RSS: %d KiB\n", r / 1000, c / 1000, r / c, m
}'
