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

[ $fail -eq 0 ] && echo "run test passed"
exit $fail
