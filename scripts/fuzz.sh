#!/usr/bin/env bash
# Builds the fuzzers with clang and runs them for a bounded time.
#   bash scripts/fuzz.sh [SECONDS] [JOBS] [FUZZER...]   (defaults: 60 seconds, 1 job, all four)
# The fuzzers: compila (the compiler, from a pair of sources), and the
# decoders of the binary files that `scenario dump` and `draw` read:
# stazioni (station table), binario (track), profilo (line profile).
# Without names, SECONDS is shared: half for the compiler, the other half in
# equal parts for the three decoders (60: 30 + 10 + 10 + 10).  With names,
# each named fuzzer runs SECONDS, one after the other:
#   bash scripts/fuzz.sh 600 1 stazioni binario profilo
# Exits non-zero when a fuzzer finds a crash, a hang, a leak or a sanitizer
# report; the input that caused it is left in build-fuzz/findings/, named
# after the fuzzer.  Replaying one:
#   build-fuzz/profilo_fuzzer build-fuzz/findings/profilo-crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
secondi="${1:-60}"
jobs="${2:-1}"
shift $(( $# < 2 ? $# : 2 ))
bash scripts/setup.sh clang-14 libclang-rt-14-dev cmake ninja-build nlohmann-json3-dev
# Ninja for a build directory made now; one made earlier keeps its own.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"

fuzzer=("$@")
declare -A durata
if [ ${#fuzzer[@]} -eq 0 ]; then
  fuzzer=(compila stazioni binario profilo)
  durata[compila]=$(( secondi / 2 ))
  for f in stazioni binario profilo; do durata[$f]=$(( (secondi - secondi / 2) / 3 )); done
else
  for f in "${fuzzer[@]}"; do
    case "$f" in
      compila|stazioni|binario|profilo) durata[$f]=$secondi ;;
      *) echo "fuzz: unknown fuzzer $f (compila, stazioni, binario, profilo)" >&2; exit 2 ;;
    esac
  done
fi

build="${FUZZ_BUILD:-build-fuzz}"
clangxx=$(command -v clang++-14 || command -v clang++)
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$build" -j"$(nproc)"

# The seeds are made anew each time; the corpus each fuzzer grows is kept
# between runs in build-fuzz/corpus (the compiler's) and corpus-NAME.
rm -rf "$build/semi" "$build/semi-binari"
"$build/genera_corpus" "$build/semi" fuzz/semi
"$build/genera_corpus" --binari "$build/semi-binari" testing/testdata
rm -rf "$build/findings"
mkdir -p "$build/findings"

# The compiler's harness writes the two sources of every execution into a
# private directory under TMPDIR: on a tmpfs that costs far less than
# creating and renaming files on a disk.  Whatever a finding's abort leaves
# there goes with the directory at the end.
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

stato=0
for f in "${fuzzer[@]}"; do
  [ "${durata[$f]}" -gt 0 ] || continue
  if [ "$f" = compila ]; then
    corpus=corpus; semi=semi
    extra=(-max_len=65536 -dict="$dizionario")
  else
    corpus="corpus-$f"; semi="semi-binari/$f"
    # A decoder's work grows with the file; small files reach every branch.
    case "$f" in stazioni) extra=(-max_len=8192) ;; *) extra=(-max_len=4096) ;; esac
  fi
  mkdir -p "$corpus"
  opzioni=(
    -max_total_time="${durata[$f]}" -timeout=10 -rss_limit_mb=2560 "${extra[@]}"
    -artifact_prefix="findings/$f-" -print_final_stats=1
  )
  echo "fuzz: $f for ${durata[$f]} s"
  esito=0
  if [ "$jobs" -gt 1 ]; then
    "./${f}_fuzzer" "${opzioni[@]}" -jobs="$jobs" -workers="$jobs" "$corpus" "$semi" || esito=$?
    # With -jobs the exit status says nothing about the workers: their
    # findings are in the artifact directory.
    if ls findings/"$f"-{crash,leak,timeout,oom}-* >/dev/null 2>&1; then esito=1; fi
  else
    "./${f}_fuzzer" "${opzioni[@]}" "$corpus" "$semi" || esito=$?
  fi
  [ "$esito" -eq 0 ] || stato=1
done
cd - >/dev/null
if [ "$stato" -ne 0 ]; then
  echo "fuzz: finding(s) in $build/findings:" >&2
  ls "$build/findings" >&2 || true
  exit 1
fi
echo "fuzz: no finding (${fuzzer[*]})"
