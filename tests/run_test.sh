#!/usr/bin/env bash
# Runs the built valdoro the way a user does: copied into a fresh directory
# (with a blank in its name), started from somewhere else.
set -u
exe="$1"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
dir="$work/program dir"
mkdir -p "$dir"
cp "$exe" "$dir/valdoro"

cd "$work"
# --help and --version print and write nothing; any other argument is
# refused before a file is touched.
"$dir/valdoro" --version >"$work/out" 2>"$work/err"; s=$?
check "--version status $s, prints $(cat "$work/out")" '[ $s -eq 0 ] && [ "$(cat "$work/out")" = "valdoro 1.0.0" ] && [ ! -s "$work/err" ]'
"$dir/valdoro" --help >"$work/out" 2>"$work/err"; s=$?
check "--help status $s" '[ $s -eq 0 ] && head -n1 "$work/out" | grep -qx "usage: valdoro \[--help | --version\]" && [ ! -s "$work/err" ]'
"$dir/valdoro" --frobnicate >"$work/out" 2>"$work/err"; s=$?
check "unknown argument status $s: $(cat "$work/err")" '[ $s -eq 2 ] && [ ! -s "$work/out" ] && [ "$(cat "$work/err")" = "valdoro: unknown argument \"--frobnicate\"
usage: valdoro [--help | --version]" ]'
check "no run without a run: $(ls -A "$dir")" '[ "$(ls -A "$dir")" = valdoro ]'
rm -f "$work/out" "$work/err"

"$dir/valdoro" 2>"$work/err1"; status1=$?
check "first run ends cleanly (status $status1)" '[ $status1 -eq 0 ]'
check "stderr holds only Attendere: $(cat "$work/err1")" '[ "$(cat "$work/err1")" = "Attendere" ]'
check "the run writes nothing into the current directory" '[ -z "$(ls -A "$work" | grep -v -e "program dir" -e err1)" ]'

expected=(
  "Valdoro_Dir 5802.sim" "Valdoro_Dir 5802.dat" "Valdoro_linea.dat"
  "Valdoro_Dir 5802_note.txt" "Valdoro_Dir 5802_rallentamenti.txt" "Valdoro_Dir 5802_scheda_treno.txt"
)
for f in "${expected[@]}"; do check "$f written" '[ -f "$dir/$f" ]'; done
check "the sources are gone" '[ ! -e "$dir/Valdoro_linea.txt" ] && [ ! -e "$dir/Valdoro_Dir 5802-.txt" ]'
check "exactly the six files and the program" '[ "$(ls -A "$dir" | wc -l)" -eq 7 ]'
check "track file of 4501 cells" '[ "$(stat -c %s "$dir/Valdoro_Dir 5802.dat")" -eq 67515 ]'
check "profile file of the 218 km line" '[ "$(stat -c %s "$dir/Valdoro_linea.dat")" -eq 4499964 ]'

mkdir "$work/first" && cp "$dir"/Valdoro* "$work/first/"
"$dir/valdoro" 2>"$work/err1"; status1=$?
check "second run ends cleanly (status $status1): $(cat "$work/err1")" '[ $status1 -eq 0 ] && [ "$(cat "$work/err1")" = Attendere ]'
for f in "${expected[@]}"; do check "second run gives the same $f" 'cmp -s "$dir/$f" "$work/first/$f"'; done

# A read-only program directory: clear message, status 2, earlier files whole.
rodir="$work/readonly"
chmod 711 "$work"  # the other user reaches the directory, and only that
mkdir "$rodir" && cp "$exe" "$rodir/valdoro" && cp "$work/first/Valdoro_Dir 5802.sim" "$rodir/"
chmod 555 "$rodir"
runner=()
[ "$(id -u)" -eq 0 ] && runner=(setpriv --reuid=65534 --regid=65534 --clear-groups)
"${runner[@]}" "$rodir/valdoro" 2>"$work/err2"; status2=$?
check "read-only directory ends with status 2 (got $status2)" '[ $status2 -eq 2 ]'
check "message names the file: $(cat "$work/err2")" 'grep -q "^valdoro: cannot write $rodir/Valdoro_linea.txt: Permission denied$" "$work/err2"'
check "earlier station table untouched" 'cmp -s "$rodir/Valdoro_Dir 5802.sim" "$work/first/Valdoro_Dir 5802.sim"'
check "no temporary file left" '[ "$(ls -A "$rodir" | wc -l)" -eq 2 ]'

# A recorded error, end to end: the train source changed after the run
# wrote it and before the compile read it (gdb holds the run at the papers'
# first writer, as the train source is whole on the disk): every file is
# written, the notice names the record at its line, the sources are gone and
# the status is 1.
edir="$work/errore"
mkdir "$edir" && cp "$exe" "$edir/valdoro"
cat >"$work/guasta.sh" <<'EOF'
# A signal past the end of the track, first of the signals.
treno="$1/Valdoro_Dir 5802-.txt"
[ -f "$treno" ] || exit 1
riga=$(grep -n $'^\\[segnali\\]\r$' "$treno" | cut -d: -f1)
awk -v r="$riga" '{ print } NR == r { printf "segnale,  300000,   2, 4, 1,  1, 0,    2,  2,1,1, 0\r\n" }' "$treno" >"$2/treno"
cat "$2/treno" >"$treno"
echo $((riga + 1)) >"$2/riga"
EOF
if ! command -v gdb >/dev/null; then
  echo "FAIL: gdb not found; install it with: bash scripts/setup.sh gdb"; fail=1
else
  # The leak checker cannot work under a debugger; the sanitizers' other
  # checks do.
  gdb -q -batch -ex "set environment ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    -ex "break valdoro::dati_note" -ex "run 2>\"$work/err3\"" \
    -ex "shell bash \"$work/guasta.sh\" \"$edir\" \"$work\"" -ex continue -ex 'quit $_exitcode' \
    --args "$edir/valdoro" >"$work/gdb" 2>&1; status3=$?
  riga=$(cat "$work/riga" 2>/dev/null)
  check "the run was held at the papers and its source changed: $(tail -n 3 "$work/gdb")" \
    'grep -q "^Breakpoint 1, .*valdoro::dati_note" "$work/gdb" && [ -n "$riga" ]'
  check "a recorded error ends with status 1 (got $status3)" '[ $status3 -eq 1 ]'
  check "the notice names the record: $(cat "$work/err3")" '[ "$(cat "$work/err3")" = "Attendere
valdoro: Valdoro_Dir 5802-.txt:$riga:1: error 15: position 300000 m is beyond the usable end of the track, 224900 m" ]'
  for f in "${expected[@]}"; do check "a recorded error still writes $f" '[ -f "$edir/$f" ]'; done
  check "a recorded error: the six files and the program, no source: $(ls -A "$edir" | tr '\n' ' ')" '[ "$(ls -A "$edir" | wc -l)" -eq 7 ]'
fi

[ $fail -eq 0 ] && echo "run test passed"
exit $fail
