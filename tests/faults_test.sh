#!/usr/bin/env bash
# File faults of whole runs on a real file system: the program directory on
# a small tmpfs that fills up at each stage of the run, and read-only.
# Whatever fails, the run must end with one line naming the file and the
# reason and status 2, every earlier output file whole (the previous version
# or the new one), and no temporary file left.
#   bash tests/faults_test.sh PATH/TO/valdoro [PATH/TO/scenario]
# With the second argument the same for the authors' tool: compile and draw.
# Mounting needs root; without it the tmpfs parts are skipped, and so they
# are for root with VALDORO_SKIP_TMPFS=1 (otherwise a failed mount fails).
set -u
exe="$1"
tool="${2:-}"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

work=$(mktemp -d)
mnt="$work/mnt"
cleanup() { mountpoint -q "$mnt" && umount "$mnt"; chmod -R u+w "$work"; rm -rf "$work"; }
trap cleanup EXIT

outputs=(
  "Valdoro_Dir 5802.sim" "Valdoro_Dir 5802.dat" "Valdoro_linea.dat"
  "Valdoro_Dir 5802_note.txt" "Valdoro_Dir 5802_rallentamenti.txt" "Valdoro_Dir 5802_scheda_treno.txt"
)

# The files of a clean run, to tell new versions from others.
good="$work/good"
mkdir -p "$good" && cp "$exe" "$good/valdoro"
"$good/valdoro" 2>/dev/null

# Every output is "previous" or "new", whole; prints the first that is not,
# or anything else left in the directory.
outputs_whole() {
  local dir="$1" f
  for f in "${outputs[@]}"; do
    printf 'previous %s' "$f" | cmp -s - "$dir/$f" && continue
    cmp -s "$dir/$f" "$good/$f" && continue
    echo "$f is neither the previous nor the new version"; return 1
  done
  local extra
  extra=$(ls -A "$dir" | grep -v -x -F -e valdoro "${outputs[@]/#/-e}" || true)
  [ -z "$extra" ] || { echo "left in the directory: $extra"; return 1; }
}

# Room left on the file system after the program and the earlier outputs.
bytes_used() { du -s --block-size=1 "$1" | cut -f1; }
# Mounting a tmpfs needs root.  Where root cannot (a container without the
# right), VALDORO_SKIP_TMPFS=1 says so on purpose; otherwise it is a failure,
# never a quiet skip.
tmpfs_ok() {
  mkdir -p "$mnt"
  if mount -t tmpfs -o size=4m tmpfs "$mnt" 2>"$work/mount_err"; then
    umount "$mnt"
    return 0
  fi
  if [ "${VALDORO_SKIP_TMPFS:-}" = 1 ] || [ "$(id -u)" -ne 0 ]; then
    echo "faults test: tmpfs not permitted here ($(cat "$work/mount_err")), full-disk runs skipped"
  else
    echo "FAIL: root cannot mount a tmpfs: $(cat "$work/mount_err") (VALDORO_SKIP_TMPFS=1 skips on purpose)"
    fail=1
  fi
  return 1
}
have_tmpfs=0
tmpfs_ok && have_tmpfs=1
if [ $have_tmpfs = 1 ]; then
  # Each stage with FREE KiB left must meet "no space" in the file named:
  # the sources and papers at the small stages, the profile (4.5 MB, after
  # its first MiB has gone to the disk) at the two large ones, nothing at
  # the last.
  stages=(
    "0 Valdoro[^/]*" "8 Valdoro[^/]*" "16 Valdoro[^/]*" "24 Valdoro[^/]*" "32 Valdoro[^/]*" "48 Valdoro[^/]*"
    "64 Valdoro[^/]*" "1536 Valdoro_linea\.dat" "3072 Valdoro_linea\.dat" "8192 -"
  )
  for entry in "${stages[@]}"; do
    read -r free_kib full <<<"$entry"
    stage="$work/stage"
    rm -rf "$stage" && mkdir -p "$stage"
    cp "$exe" "$stage/valdoro"
    for f in "${outputs[@]}"; do printf 'previous %s' "$f" >"$stage/$f"; done
    size=$(( $(bytes_used "$stage") + free_kib * 1024 ))
    mount -t tmpfs -o size="$size" tmpfs "$mnt"
    cp -a "$stage"/. "$mnt"/
    "$mnt/valdoro" 2>"$work/err"; status=$?
    msg=$(grep -v '^Attendere$' "$work/err")
    if [ "$full" = - ]; then
      check "$free_kib KiB free is enough for a clean run (status $status: $msg)" '[ $status -eq 0 ]'
    else
      check "$free_kib KiB free: status 2 (got $status)" '[ $status -eq 2 ]'
      check "$free_kib KiB free: one line naming the file and \"no space\": $msg" \
        '[[ "$msg" =~ ^valdoro:\ cannot\ write\ $mnt/$full:\ No\ space\ left\ on\ device$ ]]'
    fi
    check "$free_kib KiB free: $(outputs_whole "$mnt")" 'outputs_whole "$mnt" >/dev/null'
    umount "$mnt"
  done
fi

# A read-only program directory, also for root: run as nobody.
rodir="$work/readonly"
mkdir -p "$rodir" && cp "$exe" "$rodir/valdoro"
for f in "${outputs[@]}"; do printf 'previous %s' "$f" >"$rodir/$f"; done
chmod 555 "$rodir"
runner=()
[ "$(id -u)" -eq 0 ] && runner=(setpriv --reuid=65534 --regid=65534 --clear-groups)
chmod o+x "$work"
"${runner[@]}" "$rodir/valdoro" 2>"$work/err"; status=$?
msg=$(grep -v '^Attendere$' "$work/err")
check "read-only: status 2 (got $status)" '[ $status -eq 2 ]'
check "read-only: one line naming file and reason: $msg" \
  '[ "$msg" = "valdoro: cannot write $rodir/Valdoro_linea.txt: Permission denied" ]'
check "read-only: $(outputs_whole "$rodir")" 'outputs_whole "$rodir" >/dev/null'

# ---- the authors' tool ----
if [ -n "$tool" ]; then
  tooltmp="$work/tooltmp"  # it compiles in memory: nothing may appear here, fault or not
  mkdir -p "$tooltmp" && chmod 1777 "$tooltmp"
  export TMPDIR="$tooltmp"
  src="$work/src"
  mkdir -p "$src"
  printf '[generale]\r\nlunghezza percorso, 3000\r\n[fine]\r\n' >"$src/line.txt"
  # One record: a train source with none compiles with a warning.
  printf '[generale]\r\nnumero vetture, 1\r\n[fine]\r\n' >"$src/train.txt"
  chmod -R a+rX "$src"
  bins=("Prova_linea.dat" "Prova_T 1.sim" "Prova_T 1.dat")
  compile() { "$tool" compile "$src/line.txt" "$src/train.txt" --title Prova --train "T 1" --out "$@"; }
  mkdir -p "$work/toolgood" && compile "$work/toolgood" >/dev/null
  # Each binary file is the previous or the new version; nothing else is in
  # the directory, and nothing is left in TMPDIR.
  bins_whole() {
    local dir="$1" f
    for f in "${bins[@]}"; do
      printf 'previous %s' "$f" | cmp -s - "$dir/$f" && continue
      cmp -s "$dir/$f" "$work/toolgood/$f" && continue
      echo "$f is neither the previous nor the new version"; return 1
    done
    local extra
    extra=$(ls -A "$dir" | grep -v -x -F "${bins[@]/#/-e}" || true)
    [ -z "$extra" ] || { echo "left in the directory: $extra"; return 1; }
    [ -z "$(ls -A "$tooltmp")" ] || { echo "left in TMPDIR: $(ls -A "$tooltmp")"; return 1; }
  }
  previous_bins() { for f in "${bins[@]}"; do printf 'previous %s' "$f" >"$1/$f"; done; }

  if [ $have_tmpfs = 1 ]; then
    for free_kib in 0 8 64 128 256 1024; do
      mount -t tmpfs -o size=$(( (3 + free_kib / 4) * 4096 )) tmpfs "$mnt"
      previous_bins "$mnt"
      compile "$mnt" >/dev/null 2>"$work/err"; status=$?
      msg=$(cat "$work/err")
      # The small line's files take some 200 KiB: below that the disk must
      # really have been full.
      if [ "$free_kib" -lt 256 ]; then
        check "compile, $free_kib KiB free: status 2 (got $status)" '[ $status -eq 2 ]'
        check "compile, $free_kib KiB free: one line naming file and \"no space\": $msg" \
          '[[ "$msg" =~ ^scenario:\ cannot\ write\ $mnt/Prova[^/]*:\ No\ space\ left\ on\ device$ ]]'
      fi
      check "compile, $free_kib KiB free: $(bins_whole "$mnt")" 'bins_whole "$mnt" >/dev/null'
      umount "$mnt"
    done
    check "1 MiB is enough for the small line (status $status)" '[ $status -eq 0 ]'
    # Without the plan the station table is the first file to meet the full disk.
    mount -t tmpfs -o size=$(( 3 * 4096 )) tmpfs "$mnt"
    previous_bins "$mnt"
    compile "$mnt" --no-profile >/dev/null 2>"$work/err"; status=$?
    check "compile --no-profile, disk full: status 2 (got $status)" '[ $status -eq 2 ]'
    check "compile --no-profile, disk full: $(cat "$work/err")" \
      '[ "$(cat "$work/err")" = "scenario: cannot write $mnt/Prova_T 1.sim: No space left on device" ]'
    check "compile --no-profile, disk full: $(bins_whole "$mnt")" 'bins_whole "$mnt" >/dev/null'
    umount "$mnt"
  fi

  rout="$work/toolro"
  mkdir -p "$rout" && previous_bins "$rout" && chmod 555 "$rout"
  "${runner[@]}" "$tool" compile "$src/line.txt" "$src/train.txt" --title Prova --train "T 1" --out "$rout" \
    >/dev/null 2>"$work/err"; status=$?
  check "compile, read-only out: status 2 (got $status)" '[ $status -eq 2 ]'
  check "compile, read-only out: $(cat "$work/err")" \
    '[ "$(cat "$work/err")" = "scenario: cannot write $rout/Prova_linea.dat: Permission denied" ]'
  check "compile, read-only out: $(bins_whole "$rout")" 'bins_whole "$rout" >/dev/null'

  taken="$work/tooltaken"
  mkdir -p "$taken" && previous_bins "$taken" && rm "$taken/Prova_T 1.sim" && mkdir "$taken/Prova_T 1.sim"
  compile "$taken" >/dev/null 2>"$work/err"; status=$?
  check "compile, name taken by a directory: status 2 (got $status)" '[ $status -eq 2 ]'
  check "compile, name taken by a directory: $(cat "$work/err")" \
    '[ "$(cat "$work/err")" = "scenario: cannot write $taken/Prova_T 1.sim: Is a directory" ]'
  check "compile, name taken: profile new, track previous" \
    'cmp -s "$taken/Prova_linea.dat" "$work/toolgood/Prova_linea.dat" && [ "$(cat "$taken/Prova_T 1.dat")" = "previous Prova_T 1.dat" ]'

  missing="$work/toolmissing"
  mkdir -p "$missing" && previous_bins "$missing"
  "$tool" compile "$src/none.txt" "$src/train.txt" --title Prova --train "T 1" --out "$missing" \
    >/dev/null 2>"$work/err"; status=$?
  check "compile, missing source: status 2 (got $status)" '[ $status -eq 2 ]'
  check "compile, missing source names it: $(cat "$work/err")" 'grep -q "^scenario: cannot read $src/none.txt: " "$work/err"'
  check "compile, missing source: $(bins_whole "$missing")" 'bins_whole "$missing" >/dev/null'

  drawro="$work/drawro"
  mkdir -p "$drawro" && chmod 555 "$drawro"
  chmod -R a+rX "$work/toolgood"
  "${runner[@]}" "$tool" draw "$work/toolgood" --out "$drawro" >/dev/null 2>"$work/err"; status=$?
  check "draw, read-only out: status 2 (got $status)" '[ $status -eq 2 ]'
  check "draw, read-only out names the file: $(cat "$work/err")" \
    'grep -q "^scenario: cannot write $drawro/.*: Permission denied$" "$work/err"'
  check "draw, read-only out: nothing left" '[ -z "$(ls -A "$drawro")" ]'

  # ---- inputs that are not regular files of a sane size ----
  # A device that never ends, a FIFO that never opens and a file past the
  # 64 MiB input limit (sparse), as each input of each subcommand: refused
  # by name at once, status 2, within a few seconds (timeout) and in little
  # memory (ulimit -v well below the big file's size).
  fifo="$work/fifo"
  mkfifo "$fifo"
  big="$work/big"
  truncate -s $(( 64 * 1024 * 1024 + 1 )) "$big"
  limited() ( ulimit -v 65536; timeout 10 "$tool" "$@" )
  # DIR for draw: the good files with one of them a link to the input.
  draw_dir() {
    rm -rf "$work/drawin" && cp -r "$work/toolgood" "$work/drawin"
    rm "$work/drawin/$2" && ln -s "$1" "$work/drawin/$2"
  }
  for input in /dev/zero "$fifo" "$big"; do
    case "$input" in
      /dev/zero) reason="it is a device, not a regular file" ;;
      "$fifo") reason="it is a FIFO, not a regular file" ;;
      *) reason="larger than the 64 MiB an input may have" ;;
    esac
    for what in line train track profile stations plan.sim plan.dat plan.profile; do
      named="$input"
      case "$what" in
        line) limited compile "$input" "$src/train.txt" --title Prova --train "T 1" --out "$work/o" ;;
        train) limited compile "$src/line.txt" "$input" --title Prova --train "T 1" --out "$work/o" ;;
        track|profile|stations) limited dump "$input" --kind "$what" --json ;;
        plan.sim) draw_dir "$input" "Prova_T 1.sim"; named="$work/drawin/Prova_T 1.sim" ;;
        plan.dat) draw_dir "$input" "Prova_T 1.dat"; named="$work/drawin/Prova_T 1.dat" ;;
        plan.profile) draw_dir "$input" "Prova_linea.dat"; named="$work/drawin/Prova_linea.dat" ;;
      esac >/dev/null 2>"$work/err"
      status=$?
      if [[ "$what" == plan.* ]]; then
        limited draw "$work/drawin" --out "$work/svg" >/dev/null 2>"$work/err"; status=$?
      fi
      check "$what from $input: status 2 (got $status)" '[ $status -eq 2 ]'
      check "$what from $input: $(cat "$work/err")" \
        '[ "$(cat "$work/err")" = "scenario: cannot read $named: $reason" ]'
    done
  done
  check "refused inputs: nothing written" '[ ! -e "$work/o" ] && [ ! -e "$work/svg" ]'

  # dump streams: a 40 MiB profile and a 30 MiB track, each dumped in 16 MiB
  # of address space, every metre and cell out.
  printf '\x05\x00\x00\x00\x00\x00\x00\x00\xf8\x3f' >"$work/huge_linea.dat"
  printf '\x01\x01\x14\xfe\xff\x03\x00\x04\x00\x05\x06\x07\x20\x64\x09' >"$work/huge.dat"
  for i in $(seq 22); do cat "$work/huge_linea.dat" "$work/huge_linea.dat" >"$work/x" && mv "$work/x" "$work/huge_linea.dat"; done
  for i in $(seq 21); do cat "$work/huge.dat" "$work/huge.dat" >"$work/x" && mv "$work/x" "$work/huge.dat"; done
  # The line count and the dump's own status, which a pipeline would lose.
  count_dump() {  # FILE [FLAGS...]
    local n
    n=$( (ulimit -v 16384; "$tool" dump "$@") | wc -l; exit "${PIPESTATUS[0]}")
    echo "$n $?"
  }
  for flags in "" "--json" "--nonzero --json"; do
    extra=0; [[ "$flags" == *json* ]] && extra=6  # the JSON's lines around the array
    read -r lines status <<<"$(count_dump "$work/huge_linea.dat" $flags)"
    check "dump $flags of a 40 MiB profile in 16 MiB: every metre (got $lines lines, status $status)" \
      '[ $lines -eq $(( 2097152 + extra )) ] && [ $status -eq 0 ]'
    read -r lines status <<<"$(count_dump "$work/huge.dat" $flags)"
    check "dump $flags of a 30 MiB track in 16 MiB: every cell (got $lines lines, status $status)" \
      '[ $lines -eq $(( 2097152 + extra )) ] && [ $status -eq 0 ]'
  done
  rm -f "$work/huge_linea.dat" "$work/huge.dat"

  # Standard output that fails: a full device, a full disk.
  "$tool" dump "$work/toolgood/Prova_T 1.dat" >/dev/full 2>"$work/err"; status=$?
  check "dump > /dev/full: status 2 (got $status)" '[ $status -eq 2 ]'
  check "dump > /dev/full: $(cat "$work/err")" \
    '[ "$(cat "$work/err")" = "scenario: cannot write standard output: No space left on device" ]'
  if [ $have_tmpfs = 1 ]; then
    mount -t tmpfs -o size=64k tmpfs "$mnt"
    "$tool" dump "$work/toolgood/Prova_linea.dat" --json >"$mnt/out.json" 2>"$work/err"; status=$?
    check "dump into a full disk: status 2 (got $status)" '[ $status -eq 2 ]'
    check "dump into a full disk: $(cat "$work/err")" \
      '[ "$(cat "$work/err")" = "scenario: cannot write standard output: No space left on device" ]'
    umount "$mnt"
  fi
fi

[ $fail -eq 0 ] && echo "faults test passed"
exit $fail
