#!/usr/bin/env bash
# What a run clears and what it leaves, in the folders of valdoro and of
# the authors' tool:
#  - planted temporaries: each program removes those of the names it
#    writes itself and keeps every other name of the same form;
#  - a folder whose path leaves no room for the temporaries' suffix: the
#    run says that the folder's path is too long;
#  - nothing of compile's in TMPDIR when its standard error goes into a pipe
#    whose reader has gone, with SIGPIPE as usual and with SIGPIPE ignored.
#   bash tests/cleanup_test.sh /ABSOLUTE/PATH/TO/valdoro /ABSOLUTE/PATH/TO/scenario
set -u
exe="$1"
tool="$2"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
hex=0123456789abcdef

# plant DIR NAME...: a file "planted" at each name.
plant() { local dir="$1"; shift; for n in "$@"; do printf planted >"$dir/$n"; done; }
# Each NAME in DIR is gone (mode gone) or still holds "planted" (mode kept).
expect() {
  local dir="$1" mode="$2" what="$3"; shift 3
  for n in "$@"; do
    if [ "$mode" = gone ]; then
      check "$what: $n removed" '[ ! -e "$dir/$n" ]'
    else
      check "$what: $n kept" '[ "$(cat "$dir/$n" 2>/dev/null)" = planted ]'
    fi
  done
}

theirs=("thesis.0000000000000000.valdoro-tmp" "Other_T.sim.$hex.valdoro-tmp" "notes.txt.$hex.valdoro-tmp")

# --- valdoro's program folder.
dir="$work/program"
mkdir "$dir" && cp "$exe" "$dir/valdoro"
own=("Valdoro_Dir 5802.sim.$hex.valdoro-tmp" "Valdoro_linea.dat.$hex.valdoro-tmp" "Valdoro_linea.txt.$hex.valdoro-tmp"
  "Valdoro_Dir 5802_note.txt.fedcba9876543210.valdoro-tmp")
plant "$dir" "${own[@]}" "${theirs[@]}" "plan.svg.$hex.valdoro-tmp" "Prova_T 1.sim.$hex.valdoro-tmp"
"$dir/valdoro" 2>/dev/null; status=$?
check "valdoro with planted names: status 0 (got $status)" '[ $status -eq 0 ]'
expect "$dir" gone valdoro "${own[@]}"
expect "$dir" kept valdoro "${theirs[@]}" "plan.svg.$hex.valdoro-tmp" "Prova_T 1.sim.$hex.valdoro-tmp"

# --- the tool's output folders.
src="$work/src"
mkdir -p "$src"
printf '[generale]\r\nlunghezza percorso, 3000\r\n[fine]\r\n' >"$src/line.txt"
printf '[generale]\r\nnumero vetture, 1\r\n[fine]\r\n' >"$src/train.txt"
compile() { "$tool" compile "$src/line.txt" "$src/train.txt" --title Prova --train "T 1" --out "$@"; }

out="$work/bin"
mkdir "$out"
own=("Prova_T 1.sim.$hex.valdoro-tmp" "Prova_T 1.dat.$hex.valdoro-tmp" "Prova_linea.dat.$hex.valdoro-tmp")
others=("Valdoro_Dir 5802.sim.$hex.valdoro-tmp" "Prova_linea.txt.$hex.valdoro-tmp" "plan.svg.$hex.valdoro-tmp")
plant "$out" "${own[@]}" "${others[@]}" "${theirs[@]}"
compile "$out" >/dev/null 2>&1; status=$?
check "compile with planted names: status 0 (got $status)" '[ $status -eq 0 ]'
expect "$out" gone compile "${own[@]}"
expect "$out" kept compile "${others[@]}" "${theirs[@]}"

svg="$work/svg"
mkdir "$svg"
own=("plan.svg.$hex.valdoro-tmp" "gradient.svg.$hex.valdoro-tmp")
others=("Prova_T 1.sim.$hex.valdoro-tmp" "gradient.svg.$hex.valdoro-tmp~")
plant "$svg" "${own[@]}" "${others[@]}" "${theirs[@]}"
"$tool" draw "$out" --out "$svg" >/dev/null 2>&1
expect "$svg" gone draw "${own[@]}"
expect "$svg" kept draw "${others[@]}" "${theirs[@]}"

init="$work/init"
mkdir "$init"
own=("Valdoro_linea.txt.$hex.valdoro-tmp" "Valdoro_Dir 5802_scheda_treno.txt.$hex.valdoro-tmp")
others=("Valdoro_Dir 5802.sim.$hex.valdoro-tmp")
plant "$init" "${own[@]}" "${others[@]}" "${theirs[@]}"
"$tool" init "$init" >/dev/null 2>&1; status=$?
check "init with planted names: status 0 (got $status)" '[ $status -eq 0 ]'
expect "$init" gone init "${own[@]}"
expect "$init" kept init "${others[@]}" "${theirs[@]}"

# --- a folder path with no room for a temporary's suffix: the path of a
# source fits in Linux's 4095 bytes, its temporary's does not.
deep="$work"
while [ $(( ${#deep} + 201 )) -lt 4040 ]; do deep="$deep/$(printf 'd%.0s' $(seq 200))"; done
deep="$deep/$(printf 'e%.0s' $(seq $(( 4095 - 18 - 20 - ${#deep} - 1 ))))"
mkdir -p "$deep" && cp "$exe" "$deep/valdoro"
(cd "$deep" && ./valdoro) 2>"$work/err"; status=$?
msg=$(grep -v '^Attendere$' "$work/err")
check "valdoro in a folder of ${#deep} bytes: status 2 (got $status)" '[ $status -eq 2 ]'
check "valdoro in a folder of ${#deep} bytes: $msg" \
  '[ "$msg" = "valdoro: cannot write $deep/Valdoro_linea.txt: the folder'"'"'s path is too long" ]'
check "valdoro in a folder of ${#deep} bytes: only the program there" '[ "$(ls -A "$deep")" = valdoro ]'
compile "$deep" >/dev/null 2>"$work/err"; status=$?
check "compile into a folder of ${#deep} bytes: status 2 (got $status)" '[ $status -eq 2 ]'
check "compile into a folder of ${#deep} bytes: $(cat "$work/err")" \
  '[ "$(cat "$work/err")" = "scenario: cannot write $deep/Prova_linea.dat: the folder'"'"'s path is too long" ]'

# --- nothing in TMPDIR from compile, and a standard error that nobody reads: the
# run writes a warning (a train source that does not end with "[fine]")
# after the reader has gone.
tooltmp="$work/tooltmp"
mkdir "$tooltmp"
export TMPDIR="$tooltmp"
printf '[generale]\r\nnumero vetture, 1\r\n' >"$src/train.txt"
{ sleep 0.3; compile "$work/bin2" >/dev/null; echo $? >"$work/status"; } 2>&1 | true
status=$(cat "$work/status")
check "compile, standard error into a closed pipe: ended by SIGPIPE (status $status)" '[ "$status" = 141 ]'
check "compile, standard error into a closed pipe: nothing left in TMPDIR: $(ls -A "$tooltmp")" \
  '[ -z "$(ls -A "$tooltmp")" ]'
( trap '' PIPE
  { sleep 0.3; compile "$work/bin3"; echo $? >"$work/status"; } 2>&1 | true )
status=$(cat "$work/status")
check "compile with SIGPIPE ignored, output into a closed pipe: status 2 (got $status)" '[ "$status" = 2 ]'
check "compile with SIGPIPE ignored, output into a closed pipe: nothing left in TMPDIR: $(ls -A "$tooltmp")" \
  '[ -z "$(ls -A "$tooltmp")" ]'

[ $fail -eq 0 ] && echo "cleanup test passed"
exit $fail
