#!/usr/bin/env bash
# Power cuts in the middle of runs, on a real ext4 file system in an image
# on a loop device.  Each round puts a "previous" version of every output
# on the disk, starts a run, and cuts the power at a random moment of it
# (the ext4 shutdown ioctl without a flush of the journal, by the helper
# spegni); the image is then mounted again, as after a restart.  Every
# output must be the whole previous file or the whole new one, and the next
# run must end cleanly and leave the folder as a lone run does.
#   bash tests/power_cut_test.sh /ABSOLUTE/PATH/TO/valdoro /ABSOLUTE/PATH/TO/spegni [CUTS]
# Making a loop device and mounting need root and a kernel that allows
# them; where they are refused, the test says so and ends with status 77,
# which CTest counts as skipped.
set -u
exe="$1"
spegni="$2"
cuts="${3:-50}"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }
skip() { echo "power-cut test SKIPPED: $1"; exit 77; }

command -v mkfs.ext4 >/dev/null || { echo "FAIL: mkfs.ext4 not found; install it with: bash scripts/setup.sh e2fsprogs"; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "making a loop device and mounting need root"

work=$(mktemp -d)
mnt="$work/mnt"
loop=
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  [ -n "$loop" ] && losetup -d "$loop"
  rm -rf "$work"
}
trap cleanup EXIT

outputs=(
  "Valdoro_Dir 5802.sim" "Valdoro_Dir 5802.dat" "Valdoro_linea.dat"
  "Valdoro_Dir 5802_note.txt" "Valdoro_Dir 5802_rallentamenti.txt" "Valdoro_Dir 5802_scheda_treno.txt"
)
sources=("Valdoro_linea.txt" "Valdoro_Dir 5802-.txt")

good="$work/good"
mkdir "$good" && cp "$exe" "$good/valdoro" && "$good/valdoro" 2>/dev/null

truncate -s 32M "$work/image"
mkfs.ext4 -q -F "$work/image" || { echo "FAIL: mkfs.ext4 failed"; exit 1; }
loop=$(losetup -f --show "$work/image" 2>"$work/err") || { loop=; skip "cannot make a loop device here: $(cat "$work/err")"; }
mkdir "$mnt"
mount -t ext4 "$loop" "$mnt" 2>"$work/err" || skip "cannot mount an ext4 image here: $(cat "$work/err")"
dir="$mnt/folder"
mkdir "$dir" && cp "$exe" "$dir/valdoro"

# How long a run takes here (the shortest of three, as a busy machine
# makes some longer): the cuts fall anywhere within it.
span_us=
for i in 1 2 3; do
  start=$(date +%s%N)
  "$dir/valdoro" 2>/dev/null
  took=$(( ($(date +%s%N) - start) / 1000 ))
  [ -n "$span_us" ] && [ "$span_us" -le "$took" ] || span_us=$took
done
[ "$span_us" -gt 1000 ] || span_us=1000

# Exactly the program and the six good outputs, as regular files.
folder_good() {
  local f
  for f in "${outputs[@]}"; do
    [ -f "$dir/$f" ] && cmp -s "$dir/$f" "$good/$f" || { echo "$f is not the new file"; return 1; }
  done
  [ "$(ls -A "$dir" | wc -l)" -eq 7 ] || { echo "left: $(ls -A "$dir" | tr '\n' ' ')"; return 1; }
}

previous=0; new=0; sources_left=0; sources_empty=0; temporaries_left=0
for round in $(seq 1 "$cuts"); do
  for f in "${outputs[@]}"; do printf 'previous %s' "$f" >"$dir/$f"; done
  sync -f "$dir"
  "$dir/valdoro" 2>/dev/null &
  pid=$!
  "$spegni" "$mnt" $(( (RANDOM * 32768 + RANDOM) % span_us )) 2>"$work/err"; cut=$?
  wait "$pid" 2>/dev/null
  [ $cut -eq 77 ] && skip "this kernel cannot shut an ext4 file system down: $(cat "$work/err")"
  check "cut $round: the file system shut down: $(cat "$work/err")" '[ $cut -eq 0 ]'
  umount "$mnt" && mount -t ext4 "$loop" "$mnt" 2>"$work/err"
  check "cut $round: the image mounts again: $(cat "$work/err")" 'mountpoint -q "$mnt"'
  mountpoint -q "$mnt" || break
  for f in "${outputs[@]}"; do
    if printf 'previous %s' "$f" | cmp -s - "$dir/$f"; then
      previous=$((previous + 1))
    elif cmp -s "$dir/$f" "$good/$f"; then
      new=$((new + 1))
    else
      check "cut $round: $f is the whole previous or the whole new file ($(stat -c %s "$dir/$f" 2>&1) bytes)" false
    fi
  done
  for f in "${sources[@]}"; do
    [ -e "$dir/$f" ] && sources_left=$((sources_left + 1))
    [ -f "$dir/$f" ] && [ ! -s "$dir/$f" ] && sources_empty=$((sources_empty + 1))
  done
  temporaries_left=$((temporaries_left + $(ls -A "$dir" | grep -c '\.valdoro-tmp$')))
  "$dir/valdoro" 2>"$work/err"; status=$?
  check "cut $round: the next run ends cleanly (status $status: $(cat "$work/err"))" '[ $status -eq 0 ]'
  check "cut $round: the next run leaves the folder of a lone run: $(folder_good)" 'folder_good >/dev/null'
done

echo "power-cut test: $cuts cuts within runs of $((span_us / 1000)) ms; outputs found previous $previous," \
  "new $new; sources left $sources_left (empty $sources_empty); temporaries left $temporaries_left"
[ $fail -eq 0 ] && echo "power-cut test passed"
exit $fail
