#!/usr/bin/env bash
# Builds the compiler fuzzer with clang and runs it for a bounded time.
#   bash scripts/fuzz.sh [SECONDS] [JOBS]      (defaults: 60 seconds, 1 job)
# Exits non-zero when the fuzzer finds a crash, a hang, a leak or a
# sanitizer report; the input that caused it is left in build-fuzz/findings/.
# Replaying one: build-fuzz/compila_fuzzer build-fuzz/findings/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
secondi="${1:-60}"
jobs="${2:-1}"
bash scripts/setup.sh clang-14 libclang-rt-14-dev cmake make

build="${FUZZ_BUILD:-build-fuzz}"
clangxx=$(command -v clang++-14 || command -v clang++)
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$build" -j"$(nproc)"

# The seeds are made anew each time; the corpus the fuzzer grows is kept
# between runs in build-fuzz/corpus.
rm -rf "$build/semi"
"$build/genera_corpus" "$build/semi" fuzz/semi
rm -rf "$build/findings"
mkdir -p "$build/corpus" "$build/findings"

# The harness writes the two sources of every execution into a private
# directory under TMPDIR: on a tmpfs that costs far less than creating and
# renaming files on a disk.  Whatever a finding's abort leaves there goes
# with the directory at the end.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  privata=$(mktemp -d /dev/shm/valdoro-fuzz.XXXXXX)
else
  privata="$PWD/$build/tmp"
  mkdir -p "$privata"
fi
trap 'rm -rf "$privata"' EXIT
export TMPDIR="$privata"
dizionario="$PWD/fuzz/sorgenti.dict"
cd "$build"  # -jobs leaves its fuzz-N.log files in the current directory
opzioni=(
  -max_total_time="$secondi" -timeout=10 -rss_limit_mb=2560 -max_len=65536
  -dict="$dizionario" -artifact_prefix=findings/ -print_final_stats=1
)
stato=0
if [ "$jobs" -gt 1 ]; then
  ./compila_fuzzer "${opzioni[@]}" -jobs="$jobs" -workers="$jobs" corpus semi || stato=$?
  # With -jobs the exit status says nothing about the workers: their
  # findings are in the artifact directory.
  if ls findings/{crash,leak,timeout,oom}-* >/dev/null 2>&1; then stato=1; fi
else
  ./compila_fuzzer "${opzioni[@]}" corpus semi || stato=$?
fi
cd - >/dev/null
if [ "$stato" -ne 0 ]; then
  echo "fuzz: finding(s) in $build/findings:" >&2
  ls "$build/findings" >&2 || true
  exit 1
fi
echo "fuzz: no finding in $secondi s"
