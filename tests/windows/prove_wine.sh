#!/usr/bin/env bash
# The Windows programs under wine; run inside xvfb-run by
# scripts/test_windows.sh:
#   prove_wine.sh BUILD_WINDOWS LINUX_VALDORO
# Valdoro.exe must leave exactly the files the Linux build leaves, byte for
# byte, with the same exit status, from a directory whose name is not
# ASCII; the window and the message boxes must show what they should.
set -u
win="$1"
linux_exe="$2"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }
same_text() {  # name, expected text, file with the actual text
  if ! diff -u <(printf '%s\n' "$2") "$3" >"$work/diff"; then
    echo "FAIL: $1"; cat "$work/diff"; fail=1
  fi
}

work=$(mktemp -d)
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
log="$work/wine.log"
# Every run is bounded, so that a message box nobody answers cannot hang
# the test.
wine_run() { timeout 120 wine "$@" 2>>"$log"; }

start=$SECONDS
wineboot -i >>"$log" 2>&1
echo "wine prefix ready in $((SECONDS - start)) s"

# --- Valdoro.exe against the Linux build -----------------------------------
windir="$work/Prova José"
lindir="$work/Linux José"
cwd="$work/avvio"
mkdir -p "$windir" "$lindir" "$cwd"
cp "$win/Valdoro.exe" "$windir/"
cp "$linux_exe" "$lindir/valdoro"
(cd "$cwd" && wine_run "$windir/Valdoro.exe" >"$work/out"); swin=$?
(cd "$cwd" && "$lindir/valdoro" 2>/dev/null); slin=$?
check "same exit status (Windows $swin, Linux $slin)" '[ $swin -eq $slin ]'
check "Valdoro.exe prints nothing: $(cat "$work/out")" '[ ! -s "$work/out" ]'
check "nothing written into the current directory" '[ -z "$(ls -A "$cwd")" ]'
written=$(cd "$windir" && ls -A | grep -vx Valdoro.exe)
check "same file names (Windows: $written)" '[ "$written" = "$(cd "$lindir" && ls -A | grep -vx valdoro)" ]'
check "some file written" '[ -n "$written" ]'
while IFS= read -r f; do
  check "same bytes in $f" 'cmp -s "$windir/$f" "$lindir/$f"'
done <<<"$written"

# A second run replaces every file with the same bytes.
mkdir "$work/first" && cp "$windir"/Valdoro_* "$work/first/"
(cd "$cwd" && wine_run "$windir/Valdoro.exe"); swin2=$?
check "second run, same status ($swin2)" '[ $swin2 -eq $swin ]'
check "second run, same files" '[ "$(cd "$windir" && ls -A | grep -vx Valdoro.exe)" = "$written" ]'
while IFS= read -r f; do
  check "second run, same bytes in $f" 'cmp -s "$windir/$f" "$work/first/$f"'
done <<<"$written"

# Two runs started together: the second waits for the first's lock, both
# end cleanly and the files are those of a lone run.
(cd "$cwd" && wine_run "$windir/Valdoro.exe") & first=$!
(cd "$cwd" && wine_run "$windir/Valdoro.exe"); stwo=$?
wait $first; sone=$?
check "two runs at once, both clean (status $sone and $stwo)" '[ $sone -eq 0 ] && [ $stwo -eq 0 ]'
check "two runs at once, same files" '[ "$(cd "$windir" && ls -A | grep -vx Valdoro.exe)" = "$written" ]'
while IFS= read -r f; do
  check "two runs at once, same bytes in $f" 'cmp -s "$windir/$f" "$work/first/$f"'
done <<<"$written"

# --- a file that cannot be written: message box, status 2 ------------------
# Directories stand where the outputs go, all but the station table, which
# holds the file of an earlier run; it is written after the first of them
# and must stay whole.
gdir="$work/Guasto José"
mkdir -p "$gdir"
for f in "Valdoro_linea.txt" "Valdoro_Dir 5802-.txt" "Valdoro_Dir 5802_note.txt" \
         "Valdoro_Dir 5802_rallentamenti.txt" "Valdoro_Dir 5802_scheda_treno.txt" \
         "Valdoro_linea.dat" "Valdoro_Dir 5802.dat"; do
  mkdir "$gdir/$f"
done
cp "$win/Valdoro.exe" "$gdir/"
cp "$work/first/Valdoro_Dir 5802.sim" "$gdir/"
wine_run "$win/prova_messaggio.exe" rispondi >"$work/box" & responder=$!
(cd "$cwd" && wine_run "$gdir/Valdoro.exe"); sg=$?
wait $responder; sr=$?
check "a failed write ends with status 2 (got $sg)" '[ $sg -eq 2 ]'
check "its message box was answered" '[ $sr -eq 0 ]'
# Which file comes first, and the system's wording of the reason, are not
# this test's business.
dos_gdir=$(winepath -w "$gdir" 2>>"$log")
sed -i 's/^\(box text: "valdoro: cannot write .*\\\)Valdoro_[^\\]*: .*"$/\1FILE: REASON"/' "$work/box"
same_text "message box of the failed write" "box caption: \"Valdoro\"
box text: \"valdoro: cannot write $dos_gdir\\FILE: REASON\"
box buttons: \"OK\"
box icon: yes
box owner is Form1: yes" "$work/box"
check "earlier station table untouched" 'cmp -s "$gdir/Valdoro_Dir 5802.sim" "$work/first/Valdoro_Dir 5802.sim"'
check "no temporary file left: $(ls -A "$gdir" | tr '\n' ' ')" '[ "$(ls -A "$gdir" | wc -l)" -eq 9 ]'

# --- the window ------------------------------------------------------------
window_96='found by caption: yes
dpi: 96 x 96
caption: "Form1" visible 1
client: 280 x 179
children: 1
label by id is the only child: yes
label: Static "Attendere" visible 1
label rect: left 64 top 64 width 177 height 53
label font: "MS Sans Serif" height -32 weight 700 italic 0 underline 0
after close: gone'
wine_run "$win/guarda_finestra.exe" >"$work/window"; s=$?
check "guarda_finestra status $s" '[ $s -eq 0 ]'
same_text "window at 96 dpi" "$window_96" "$work/window"

# The twips follow the display's dpi.
wine reg add 'HKEY_CURRENT_USER\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f >>"$log" 2>&1
wine_run "$win/guarda_finestra.exe" >"$work/window"
same_text "window at 120 dpi" 'found by caption: yes
dpi: 120 x 120
caption: "Form1" visible 1
client: 350 x 224
children: 1
label by id is the only child: yes
label: Static "Attendere" visible 1
label rect: left 80 top 80 width 221 height 66
label font: "MS Sans Serif" height -40 weight 700 italic 0 underline 0
after close: gone' "$work/window"
wine reg delete 'HKEY_CURRENT_USER\Control Panel\Desktop' /v LogPixels /f >>"$log" 2>&1

# --- the three ways of reporting trouble -------------------------------------
wine_run "$win/prova_messaggio.exe" errore >"$work/box"; s=$?
check "errore ends with status 2 once OK is pressed (got $s)" '[ $s -eq 2 ]'
same_text "errore box" 'box caption: "Valdoro"
box text: " Errore n. 1250"
box buttons: "OK"
box icon: no
box owner is Form1: yes
returned: 2
boxes answered: 1' "$work/box"

wine_run "$win/prova_messaggio.exe" guasto >"$work/box"; s=$?
check "guasto status 2 (got $s)" '[ $s -eq 2 ]'
same_text "guasto box" 'box caption: "Valdoro"
box text: "valdoro: cannot write C:\Prova José\Valdoro_linea.txt: Permission denied"
box buttons: "OK"
box icon: yes
box owner is Form1: yes
returned: 2
boxes answered: 1' "$work/box"

wine_run "$win/prova_messaggio.exe" avviso >"$work/box"; s=$?
check "avviso status 1 (got $s)" '[ $s -eq 1 ]'
same_text "avviso shows nothing" 'returned: 1
boxes answered: 0' "$work/box"

# --- the file layer on wide paths --------------------------------------------
mkdir "$work/file"
wine_run "$win/prova_file.exe" "$(winepath -w "$work/file" 2>>"$log")" >"$work/files"; s=$?
check "prova_file status $s" '[ $s -eq 0 ]'
same_text "file layer under a non-ASCII directory" 'fresh directory made: ok
written: ok
replaced: ok
no temporary left: ok
found: ok
listed under its wide name: ok
deleted: ok
deleting a missing file is no fault: ok
reading a missing file names it in UTF-8: ok
directory left empty: ok' "$work/files"

echo "wine part took $((SECONDS - start)) s"
if [ $fail -ne 0 ]; then
  echo "--- wine log"; tail -n 40 "$log"
  exit 1
fi
echo "windows test passed"
