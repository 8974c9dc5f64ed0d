#!/usr/bin/env bash
# Whole-process measure of valdoro: wall time of a run against a durable
# copy of its six output files (cp, then sync of the copies: the same flushes
# to the disk that a run makes), and against a plain cp for reference; and
# peak resident memory.  The three alternate, run by run, so a busy moment of
# the disk or of the machine falls on all of them; the medians are reported.
# Usage: bench/processo.sh PATH/TO/valdoro [RUNS]
set -euo pipefail
exe=$(realpath "$1")
runs=${2:-20}
bash "$(dirname "$0")/../scripts/setup.sh" time
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run" "$work/copy" "$work/durable"
cp "$exe" "$work/run/valdoro"
"$work/run/valdoro" 2>/dev/null
cp "$work/run"/Valdoro* "$work/copy/"
cp "$work/run"/Valdoro* "$work/durable/"

now() { date +%s%N; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
: >"$work/run.us"
: >"$work/cp.us"
: >"$work/sync.us"
for _ in $(seq "$runs"); do
  t0=$(now)
  "$work/run/valdoro" 2>/dev/null
  t1=$(now)
  cp "$work/run"/Valdoro* "$work/copy/"
  t2=$(now)
  cp "$work/run"/Valdoro* "$work/durable/"
  sync "$work/durable"/Valdoro*
  t3=$(now)
  echo $(( (t1 - t0) / 1000 )) >>"$work/run.us"
  echo $(( (t2 - t1) / 1000 )) >>"$work/cp.us"
  echo $(( (t3 - t2) / 1000 )) >>"$work/sync.us"
done
rss=$(/usr/bin/time -f %M "$work/run/valdoro" 2>&1 >/dev/null | tail -n 1)

run_us=$(median <"$work/run.us")
cp_us=$(median <"$work/cp.us")
sync_us=$(median <"$work/sync.us")
awk -v r="$run_us" -v c="$cp_us" -v d="$sync_us" -v m="$rss" 'BEGIN {
  printf "valdoro run: %.1f ms; cp and sync of its six files: %.1f ms; ratio %.2f\n", r / 1000, d / 1000, r / d
  printf "plain cp of its six files: %.1f ms; ratio %.2f; peak RSS: %d KiB\n", c / 1000, r / c, m
}'
