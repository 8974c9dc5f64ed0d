#!/usr/bin/env bash
# The Windows programs under wine; run inside xvfb-run by
# scripts/test_windows.sh:
#   prove_wine.sh BUILD_WINDOWS LINUX_VALDORO VERSION LINUX_SCENARIO
# Both programs must be finished ones (stripped, no build paths, their icon,
# version information and manifest); Valdoro.exe must leave exactly the
# files the Linux build leaves, byte for byte, with the same exit status,
# from a directory whose name is not ASCII, and keep its window answering
# on a slow disk; the window and the message boxes must show what they
# should; scenario.exe must do what the Linux scenario does, and serve its
# view's page to a browser on Linux.
set -u
win=$(cd "$1" && pwd)
linux_exe="$2"
version="$3"
linux_scenario=$(realpath "$4")
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }
same_text() {  # name, expected text, file with the actual text
  if ! diff -u <(printf '%s\n' "$2") "$3" >"$work/diff"; then
    echo "FAIL: $1"; cat "$work/diff"; fail=1
  fi
}

work=$(mktemp -d)
mounted=()
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1; for m in "${mounted[@]}"; do umount "$m"; done; rm -rf "$work"' EXIT
log="$work/wine.log"
# Every run is bounded, so that a message box nobody answers cannot hang
# the test.
wine_run() { timeout 120 wine "$@" 2>>"$log"; }

start=$SECONDS
wineboot -i >>"$log" 2>&1
echo "wine prefix ready in $((SECONDS - start)) s"

# --- the finished programs: stripped, no build paths, their resources -------
src=$(pwd)
for exe in Valdoro scenario; do
  f="$win/$exe.exe"
  check "$exe.exe has no debug sections" '! x86_64-w64-mingw32-objdump -h "$f" | grep -q "\.debug"'
  check "$exe.exe has no symbol table" 'x86_64-w64-mingw32-objdump -t "$f" | grep -q "no symbols"'
  paths=$(strings -a "$f" | grep -E -e "$src" -e "$(cd "$win" && pwd)" -e "/(work|home|root|build|tmp|usr)/" | head -n 5)
  check "$exe.exe carries no path of the build machine: $paths" '[ -z "$paths" ]'
  check "$exe.exe imports only system DLLs" '[ "$(x86_64-w64-mingw32-objdump -p "$f" | sed -n "s/^\tDLL Name: //p" | sort | tr "\n" " ")" = "$( [ $exe = Valdoro ] && echo "GDI32.dll KERNEL32.dll USER32.dll msvcrt.dll " || echo "KERNEL32.dll MSWSOCK.dll SHELL32.dll WS2_32.dll msvcrt.dll ")" ]'
done

risorse() {  # program name, description
  wine_run "$win/leggi_risorse.exe" "$(winepath -w "$win/$1.exe" 2>>"$log")" >"$work/risorse"
  sed -n '/^manifest:$/q;p' "$work/risorse" >"$work/versione"
  same_text "$1.exe version information and icon" "fixed file version: $version.0
fixed product version: $version.0
file type application: yes
translation: language 1033 code page 1200
ProductName: \"Valdoro\"
ProductVersion: \"$version\"
FileVersion: \"$version\"
FileDescription: \"$2\"
LegalCopyright: \"Copyright (c) 2026 the Valdoro authors\"
CompanyName: \"the Valdoro authors\"
OriginalFilename: \"$1.exe\"
InternalName: \"$1\"
icon sizes: 16x16/32 20x20/32 24x24/32 32x32/32 40x40/32 48x48/32 64x64/32 96x96/32 128x128/32 256x256/32
icon at 16: 16x16
icon at 32: 32x32
icon at 48: 48x48
icon at 256: 256x256" "$work/versione"
  sed -n '/^manifest:$/,$p' "$work/risorse" >"$work/manifesto"
  for fact in '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' \
      '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>' \
      '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>' \
      '<assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0" processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>' \
      '<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>' \
      "<assemblyIdentity type=\"win32\" name=\"Valdoro.$1\" version=\"$version.0\" processorArchitecture=\"amd64\"/>" \
      '<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>' \
      '<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>' \
      '<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>' \
      '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'; do
    check "$1.exe manifest has $fact" 'grep -qF "$fact" "$work/manifesto"'
  done
}
risorse Valdoro "Valdoro scenario packager"
risorse scenario "Valdoro tools for scenario authors"
# The images of the icons, as Windows finds them in the programs.
icon_images() { wrestool -x --raw -t 3 "$win/$1.exe" 2>>"$log" | sha256sum; }
check "scenario.exe has an icon of its own" '[ "$(icon_images scenario)" != "$(icon_images Valdoro)" ] && [ "$(icon_images Valdoro)" != "$(: | sha256sum)" ]'

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

# --- the boxes a player can meet: each fault in his words, status 2 -------
# Valdoro.exe in a folder (or the program valdoro_exe names), run while
# prova_messaggio answers its box (holding a file or the folder's lock, as
# the extra arguments say); the arguments of Valdoro.exe are those of
# valdoro_args.  The system's own words (the line "Windows says") are the
# system's business.
valdoro_args=()
valdoro_exe=Valdoro.exe
box_case() {  # name, folder of Valdoro.exe, status, box owned by Form1 (yes/no), box text; then holds
  local name=$1 dir=$2 status=$3 owner=$4 text=$5
  shift 5
  : >"$work/box"
  wine_run "$win/prova_messaggio.exe" rispondi "$@" >"$work/box" & local responder=$!
  if [ $# -gt 0 ]; then
    for _ in $(seq 300); do grep -q "^held: yes" "$work/box" && break; sleep 0.1; done
  fi
  (cd "$cwd" && wine_run "$dir/$valdoro_exe" "${valdoro_args[@]}"); local s=$?
  wait $responder; local sr=$?
  check "$name: status $status (got $s)" '[ $s -eq $status ]'
  check "$name: its box was answered (status $sr)" '[ $sr -eq 0 ]'
  sed -i -e '/^held: yes$/d' -e 's/^Windows says: .*"$/Windows says: REASON"/' "$work/box"
  same_text "$name: the box" "box caption: \"Valdoro\"
box text: \"$text\"
box buttons: \"OK\"
box icon: yes
box owner is Form1: $owner" "$work/box"
}
dos() { winepath -w "$1" 2>>"$log"; }
# What stands in a folder but Valdoro.exe.
others() { ls -A "$1" | grep -vx Valdoro.exe | tr '\n' ' '; }
move_to="The way that always works: move the whole Valdoro folder to a folder of your own such as Documents, start Valdoro.exe there, then copy the six files it writes into the folder where the simulator looks for this scenario's files (README.txt, section 2, says how to find it)."

# Folders stand where the outputs go, all but the station table, which
# holds the file of an earlier run; it is written after the first of them
# and must stay whole.  The first is a working file, named for what it is.
gdir="$work/Guasto José"
mkdir -p "$gdir"
for f in "Valdoro_linea.txt" "Valdoro_Dir 5802-.txt" "Valdoro_Dir 5802_note.txt" \
         "Valdoro_Dir 5802_rallentamenti.txt" "Valdoro_Dir 5802_scheda_treno.txt" \
         "Valdoro_linea.dat" "Valdoro_Dir 5802.dat"; do
  mkdir "$gdir/$f"
done
cp "$win/Valdoro.exe" "$gdir/"
cp "$work/first/Valdoro_Dir 5802.sim" "$gdir/"
box_case "a folder at a file's name" "$gdir" 2 yes "A folder stands where Valdoro writes the working file \"Valdoro_linea.txt\" (the line's source, which every run writes and deletes again).
Move or rename that folder, then start Valdoro again.

Folder: $(dos "$gdir")
Windows says: REASON"
check "earlier station table untouched" 'cmp -s "$gdir/Valdoro_Dir 5802.sim" "$work/first/Valdoro_Dir 5802.sim"'
check "no temporary file left: $(ls -A "$gdir" | tr '\n' ' ')" '[ "$(ls -A "$gdir" | wc -l)" -eq 9 ]'

# The simulator holds the station table open: the files before it are
# replaced, it is not, and the box says to close the simulator.
tdir="$work/Tenuto"
mkdir -p "$tdir"
cp "$win/Valdoro.exe" "$work/first"/Valdoro_* "$tdir/"
box_case "a file open in another program" "$tdir" 2 yes "Another program, most likely the simulator, has \"Valdoro_Dir 5802.sim\" open, so Valdoro cannot replace it.
Close the simulator and start Valdoro again.

Folder: $(dos "$tdir")
Windows says: REASON" tieni "$(dos "$tdir/Valdoro_Dir 5802.sim")"
check "held file untouched, no temporary left: $(others "$tdir")" 'cmp -s "$tdir/Valdoro_Dir 5802.sim" "$work/first/Valdoro_Dir 5802.sim" && [ "$(others "$tdir")" = "$(cd "$work/first" && ls -A | tr "\n" " ")" ]'

# A file of an earlier run is marked read-only, which Windows refuses to
# replace: the files before it are replaced, it is not, and the box says
# how to clear the mark.  prova_messaggio runs a whole run in its folder
# and has the rename over a read-only file refused as Windows refuses it.
rdir="$work/Sola lettura file"
mkdir -p "$rdir"
cp "$win/prova_messaggio.exe" "$work/first"/Valdoro_* "$rdir/"
chmod a-w "$rdir/Valdoro_Dir 5802.sim"
(cd "$cwd" && wine_run "$rdir/prova_messaggio.exe" sola_lettura >"$work/box"); s=$?
check "a read-only file: status 2 (got $s)" '[ $s -eq 2 ]'
sed -i 's/^Windows says: .*"$/Windows says: REASON"/' "$work/box"
same_text "a read-only file: the box" "box caption: \"Valdoro\"
box text: \"Valdoro cannot replace \"Valdoro_Dir 5802.sim\": it is marked read-only.
Right-click that file, choose Properties, clear \"Read-only\" at the bottom of the General tab and click OK; or delete the old file. Then start Valdoro again.

Folder: $(dos "$rdir")
Windows says: REASON\"
box buttons: \"OK\"
box icon: yes
box owner is Form1: yes
returned: 2
boxes answered: 1" "$work/box"
check "a read-only file: it is untouched, no temporary or source left: $(ls -A "$rdir" | tr '\n' ' ')" \
  'cmp -s "$rdir/Valdoro_Dir 5802.sim" "$work/first/Valdoro_Dir 5802.sim" && [ "$(ls -A "$rdir" | grep -vx prova_messaggio.exe | tr "\n" " ")" = "$(cd "$work/first" && ls -A | tr "\n" " ")" ]'

# Another run holds the folder for the whole time that a run waits: a
# minute, which prova_attesa.exe cuts to 2 s.  It holds it by the path the
# run uses, and by another: a drive letter mapped onto the folder's parent.
odir="$work/Occupata"
mkdir -p "$odir"
cp "$win/prova_attesa.exe" "$odir/"
ln -s "$work" "$WINEPREFIX/dosdevices/p:"
for held in "$(dos "$odir")" 'P:\Occupata'; do
  valdoro_exe=prova_attesa.exe box_case "a folder held by another run as $held" "$odir" 2 yes "Another Valdoro has held this folder for over a minute, so this one wrote nothing.
Wait until the other one's small window, \"Attendere\", has gone, then start Valdoro again.

Folder: $(dos "$odir")" blocca "$held"
  check "held folder as $held: nothing written ($(ls -A "$odir" | tr '\n' ' '))" '[ "$(ls -A "$odir")" = prova_attesa.exe ]'
done

# Started from the copy that an archive tool makes in a temporary folder,
# whatever the tool names it: Explorer's folder named after the zip,
# 7-Zip's 7zO..., WinRAR's Rar$EXa... with the archive's folder in it, all
# in %TEMP%; a copy in %TMP%, set apart from %TEMP% for the while (so that
# GetTempPath, which reads %TMP% first, does not find %TEMP%'s); and one in
# Windows' own temporary folder.
wine reg add 'HKCU\Environment' /v TMP /t REG_SZ /d 'C:\Scambio' /f >>"$log" 2>&1
temp=$(wine cmd /c echo %TEMP% 2>>"$log" | tr -d '\r')
check "%TMP% is set apart from %TEMP% ($temp)" '[ "$(wine cmd /c echo %TMP% 2>>"$log" | tr -d "\r")" = "C:\Scambio" ]'
utemp=$(winepath -u "$temp" 2>>"$log")
for zdir in "$utemp/Temp1_valdoro-$version-windows-x86_64.zip/valdoro-$version" "$utemp/7zO4C3D2E1F" \
    "$utemp/Rar\$EXa1234.5678/valdoro-$version" "$(winepath -u 'C:\Scambio' 2>>"$log")/valdoro" \
    "$(winepath -u 'C:\windows\temp' 2>>"$log")/valdoro"; do
  mkdir -p "$zdir"
  cp "$win/Valdoro.exe" "$zdir/"
  box_case "started from a temporary copy $(dos "$zdir")" "$zdir" 2 no "Valdoro was started from inside the zip archive, from a copy that Windows deletes again, so it wrote nothing.
Extract the archive first (right-click it, Extract All...), then start Valdoro.exe in the extracted folder."
  check "temporary copy $(dos "$zdir"): nothing written ($(others "$zdir"))" '[ -z "$(others "$zdir")" ]'
done
wine reg delete 'HKCU\Environment' /v TMP /f >>"$log" 2>&1

# A read-only folder, a protected system folder and a full disk are
# file systems of their own: root alone may mount them, and root writes
# anywhere else.
mount_tmpfs() {  # folder, size, then ro to remount it read-only once Valdoro.exe is in
  mkdir -p "$1" && mount -t tmpfs -o "size=$2" tmpfs "$1" 2>/dev/null || return 1
  mounted+=("$1")
  cp "$win/Valdoro.exe" "$1/"
  [ "${3:-}" != ro ] || mount -o remount,ro "$1"
}
if mount_tmpfs "$work/Sola lettura" 4m ro; then
  box_case "a read-only folder" "$work/Sola lettura" 2 yes "Valdoro cannot write in its folder: Windows does not let it change files there (a read-only disk, or a folder that belongs to someone else).
$move_to

Folder: $(dos "$work/Sola lettura")
Windows says: REASON"
  pdir="$WINEPREFIX/drive_c/Program Files/Valdoro"
  mount_tmpfs "$pdir" 4m ro
  box_case "a protected system folder" "$pdir" 2 yes "Valdoro cannot write in its folder: it is a protected system folder, where only programs set up by an administrator may write.
$move_to

Folder: C:\\Program Files\\Valdoro
Windows says: REASON"
  # Room for the program and a megabyte: the documents fit, the line
  # profile does not.
  fdir="$work/Disco pieno"
  mount_tmpfs "$fdir" $(( $(stat -c %s "$win/Valdoro.exe") / 4096 * 4096 + (1 << 20) ))
  box_case "a full disk" "$fdir" 2 yes "The disk is full: Valdoro could not finish \"Valdoro_linea.dat\".
Not written: \"Valdoro_linea.dat\", \"Valdoro_Dir 5802.sim\" and \"Valdoro_Dir 5802.dat\". The simulator needs all three, so the scenario is not ready yet.
Valdoro needs about 5 MB free on this disk. Make room (empty the Recycle Bin, remove what you no longer need) and start Valdoro again.

Folder: $(dos "$fdir")
Windows says: REASON"
  check "full disk: no temporary, no source left ($(others "$fdir"))" '[ "$(others "$fdir")" = "Valdoro_Dir 5802_note.txt Valdoro_Dir 5802_rallentamenti.txt Valdoro_Dir 5802_scheda_treno.txt " ]'
else
  echo "SKIPPED: a read-only folder, a protected system folder and a full disk (tmpfs not permitted here)"
fi

# --help, /? and --version answer in a box and write nothing, without the
# window; any other argument is refused in a box.
adir="$work/Argomenti"
mkdir -p "$adir"
cp "$win/Valdoro.exe" "$adir/"
valdoro_args=(--version)
box_case "Valdoro.exe --version" "$adir" 0 no "valdoro $version"
# The help is laid out for a box, which wraps its lines itself; "/?" asks
# for it too.
for help in --help '/?'; do
  valdoro_args=("$help")
  box_case "Valdoro.exe $help" "$adir" 0 no "usage: valdoro [--help | --version]

Writes the Valdoro scenario (line \"Valdoro\", train \"Dir 5802\") into the directory that holds this program: three binary files for the simulator and three documents for the driver. Without arguments it runs; it reads no other input.

--help: print this text and exit
--version: print the version and exit"
done
valdoro_args=(--versione)
box_case "Valdoro.exe --versione" "$adir" 2 no "unknown argument \"--versione\"
usage: valdoro [--help | --version]"
valdoro_args=()
check "arguments: nothing written ($(others "$adir"))" '[ -z "$(others "$adir")" ]'

# --- a slow disk: the window answers all along ----------------------------
# Every file waits half a second before it is written; the window must
# answer each question within 2 s throughout, never going the 5 s without
# an answer after which Windows calls it "Not Responding" (each gap between
# answers is logged), and closing it by hand must not cut the run short:
# the same files as the Linux build, byte for byte.
for modo in aspetta chiudi; do
  sdir="$work/Lento $modo"
  mkdir -p "$sdir"
  cp "$win/prova_lenta.exe" "$sdir/"
  timeout 120 wine "$sdir/prova_lenta.exe" "$modo" >"$work/lento" 2>"$work/lento.err"; s=$?
  cat "$work/lento.err" >>"$log"
  sed -n "/answers\|gaps/s/^/slow disk, $modo: /p" "$work/lento.err"
  expected="window seen: yes
window answered all along: yes"
  [ $modo = chiudi ] && expected="$expected
closed by hand, gone at once: yes
answers while hidden: yes"
  same_text "slow disk, $modo" "$expected
window gone after the run: yes
status: 0" "$work/lento"
  check "slow disk, $modo: status $s" '[ $s -eq 0 ]'
  files=$(cd "$sdir" && ls -A | grep -vx prova_lenta.exe)
  check "slow disk, $modo: same files ($files)" '[ "$files" = "$written" ]'
  while IFS= read -r f; do
    check "slow disk, $modo: same bytes in $f" 'cmp -s "$sdir/$f" "$lindir/$f"'
  done <<<"$files"
done

# --- the window ------------------------------------------------------------
# At three dpi values, with whatever face the system draws in place of the
# one asked for (wine here has no fonts of its own, only the system's): the
# label keeps its place and at least its size in twips, and holds the whole
# word as drawn; so again once the window is told it moved to a display of
# 192 dpi.  The face drawn is told, not compared.
window_at() {  # dpi, client width, client height, label left, min width, min height, font height
  wine reg add 'HKEY_CURRENT_USER\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >>"$log" 2>&1
  wine_run "$win/guarda_finestra.exe" >"$work/window"; local s=$?
  check "guarda_finestra at $1 dpi, status $s" '[ $s -eq 0 ]'
  echo "$1 dpi: $(grep "^drawn face: " "$work/window" | tr '\n' ' ')"
  sed -i '/^drawn face: /d' "$work/window"
  same_text "window at $1 dpi" "found by caption: yes
dpi: $1 x $1
caption: \"Form1\" visible 1
client: $2 x $3
children: 1
label by id is the only child: yes
label: Static \"Attendere\" visible 1
label rect: left $4 top $4, at least $5 x $6: yes
label inside the client area: yes
label font: \"MS Sans Serif\" height -$7 weight 700 italic 0 underline 0
drawn at the size asked for: yes
whole word inside the label: yes
moved to 192 dpi:
client: 560 x 358
label: Static \"Attendere\" visible 1
label rect: left 128 top 128, at least 354 x 106: yes
label inside the client area: yes
label font: \"MS Sans Serif\" height -64 weight 700 italic 0 underline 0
drawn at the size asked for: yes
whole word inside the label: yes
after close: gone" "$work/window"
}
check "wine has no fonts of its own here (Debian's fonts-wine is not installed)" \
  '[ -z "$(ls -A /usr/share/wine/fonts 2>/dev/null)" ]'
window_at 96 280 179 64 177 53 32
window_at 120 350 224 80 221 66 40
window_at 144 420 269 96 265 79 48
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
box text: "Valdoro stopped before it finished.
Start Valdoro again.

cannot start the work: Not enough memory"
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
# The folder is reached by a second path too: a drive letter mapped onto it.
mkdir "$work/file"
ln -s "$work/file" "$WINEPREFIX/dosdevices/q:"
wine_run "$win/prova_file.exe" "$(winepath -w "$work/file" 2>>"$log")" 'Q:\' >"$work/files"; s=$?
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
a held folder is refused to another holder: ok
whatever its spelling: ok
whatever path reaches it: ok
not the folder around it: ok
a folder let go is taken: ok
directory left empty: ok' "$work/files"

# --- scenario.exe against the Linux scenario ----------------------------------
# The same command lines, relative paths, in directories whose names are
# outside the ANSI code page: same output, same status, same files.
for side in win lin; do mkdir -p "$work/autore-$side/Sorgenti Łódź"; done
wine_run "$win/scrivi_sorgenti.exe" "$(winepath -w "$work/autore-win/Sorgenti Łódź" 2>>"$log")"
cp "$work/autore-win/Sorgenti Łódź"/* "$work/autore-lin/Sorgenti Łódź/"
for side in win lin; do cp "$src"/testing/testdata/colle_*.txt "$work/autore-$side/Sorgenti Łódź/"; done
check "scenario.exe --version" '[ "$(wine_run "$win/scenario.exe" --version)" = "scenario $version" ]'
ncase=0
same_run() {  # the status both must end with, then one scenario command line
  local expected=$1
  shift
  ncase=$((ncase + 1))
  (cd "$work/autore-win" && timeout 120 wine "$win/scenario.exe" "$@" >"$work/out-win" 2>"$work/err-win"); local sw=$?
  (cd "$work/autore-lin" && "$linux_scenario" "$@" >"$work/out-lin" 2>"$work/err-lin"); local sl=$?
  check "scenario $* : status $sw, Linux $sl, expected $expected" '[ $sw -eq $expected ] && [ $sl -eq $expected ]'
  # draw names the files it wrote, joined with Windows' separator there.
  [ "$1" = draw ] && sed -i 's|\\|/|g' "$work/out-win"
  check "scenario $* : same output" 'cmp -s "$work/out-win" "$work/out-lin"'
  # A file fault's reason is worded by each system in its own way.
  sed -i -E 's/^(scenario: cannot [a-z ]+ .*): [^:]+$/\1: REASON/' "$work/err-win" "$work/err-lin"
  check "scenario $* : same messages: $(head -c 300 "$work/err-win")" 'cmp -s "$work/err-win" "$work/err-lin"'
}
sources=("Sorgenti Łódź/Valdoro_linea.txt" "Sorgenti Łódź/Valdoro_Dir 5802-.txt")
same_run 0 compile "${sources[@]}" --title Valdoro --train "Dir 5802" --out "Uscita Łódź"
same_run 0 compile "Sorgenti Łódź/colle_linea.txt" "Sorgenti Łódź/colle_treno.txt" --title Colle --train "R 101" --out "Colle Łódź"
same_run 1 compile "Sorgenti Łódź/colle_linea.txt" "${sources[1]}" --title Misto --train "X 1" --out "Misto Łódź" --force
same_run 2 compile "Sorgenti Łódź/manca.txt" "${sources[1]}" --title Valdoro --train "Dir 5802" --out "Niente Łódź"
for d in "Uscita Łódź" "Colle Łódź" "Misto Łódź"; do
  files=$(cd "$work/autore-win/$d" && ls -A)
  check "$d: same files ($files)" '[ -n "$files" ] && [ "$files" = "$(cd "$work/autore-lin/$d" && ls -A)" ]'
  while IFS= read -r f; do
    check "$d: same bytes in $f" 'cmp -s "$work/autore-win/$d/$f" "$work/autore-lin/$d/$f"'
  done <<<"$files"
done
check "our scenario compiles to the packager's files" 'cmp -s "$work/autore-lin/Uscita Łódź/Valdoro_Dir 5802.sim" "$lindir/Valdoro_Dir 5802.sim" && cmp -s "$work/autore-lin/Uscita Łódź/Valdoro_linea.dat" "$lindir/Valdoro_linea.dat"'
for f in "Valdoro_Dir 5802.sim" "Valdoro_Dir 5802.dat"; do
  same_run 0 dump "Uscita Łódź/$f"
  same_run 0 dump "Uscita Łódź/$f" --json --nonzero
done
same_run 0 dump "Colle Łódź/Colle_linea.dat" --json
same_run 0 dump "Colle Łódź/Colle_linea.dat" --nonzero
# dump --output writes, through the file layer, the very bytes that Linux
# prints on standard output, whatever a console or a shell would make of
# them; and says nothing.
dump_to_file() {  # a dump's arguments
  (cd "$work/autore-win" &&
    timeout 120 wine "$win/scenario.exe" dump "$@" --output "Dump Łódź.txt" >"$work/out-win" 2>"$work/err-win"); local s=$?
  (cd "$work/autore-lin" && "$linux_scenario" dump "$@" >"$work/out-lin")
  check "scenario dump $* --output: status $s, silent, the bytes of Linux's standard output" \
    '[ $s -eq 0 ] && [ ! -s "$work/out-win" ] && [ ! -s "$work/err-win" ] && cmp -s "$work/autore-win/Dump Łódź.txt" "$work/out-lin"'
}
dump_to_file "Uscita Łódź/Valdoro_Dir 5802.sim"
dump_to_file "Uscita Łódź/Valdoro_Dir 5802.dat" --json --nonzero
dump_to_file "Colle Łódź/Colle_linea.dat"
# Double-clicked, it has a console of its own: it shows its help and waits
# for Enter.  From a prompt it waits for nothing, and leaves the prompt's
# code page as it was; a message naming an accented path shows right in
# it, however the C runtime would have cut it.
# The view's sources in a folder named in ASCII: the test program reads its
# arguments in the ANSI code page.
mkdir -p "$work/vista-ctrl"
cp "$work/autore-win/Sorgenti Łódź"/Valdoro_* "$work/vista-ctrl/"
wine_run "$win/prova_console.exe" "$(winepath -w "$win/scenario.exe" 2>>"$log")" \
  "$(winepath -w "$work/vista-ctrl/Valdoro_linea.txt" 2>>"$log")" \
  "$(winepath -w "$work/vista-ctrl/Valdoro_Dir 5802-.txt" 2>>"$log")" >"$work/console"
same_text "scenario.exe in a console of its own and in a shared one; view ended by Ctrl+C" "own console, started: yes
own console, help shown: yes
own console, ends with: yes
own console, waits for Enter: yes
own console, status after Enter: 0
shared console, \"scenario\": status 2, code page after it 850
shared console, \"scenario --version\": status 0, code page after it 850
shared console, a message naming \"Perché\": scenario: cannot read Perché
view in a shared console, serving: yes
view, status after Ctrl+C: 0
view, said it stopped: yes" "$work/console"
check "scenario.exe --help lists --version" 'wine_run "$win/scenario.exe" --help | grep -q -e "--version *Print the version and exit"'
wine_run "$win/scenario.exe" --help >"$work/help"
wine_run "$win/scenario.exe" '/?' >"$work/help-slash"; s=$?
check "scenario.exe /? is --help (status $s)" '[ $s -eq 0 ] && [ -s "$work/help" ] && cmp -s "$work/help" "$work/help-slash"'
same_run 0 draw "Uscita Łódź" --out "Disegni Łódź"
same_run 0 draw "Colle Łódź" --out "Disegni Colle"
for d in "Disegni Łódź" "Disegni Colle"; do
  for f in plan.svg gradient.svg; do
    check "$d: same $f" 'cmp -s "$work/autore-win/$d/$f" "$work/autore-lin/$d/$f"'
  done
done
echo "scenario.exe: $ncase command lines compared"

# --- scenario.exe lsp: the language server answers an editor's exchange as
# the Linux one does: initialize, both sources opened (the line source with
# a keyword spelt wrong), shutdown and exit, framed as the protocol frames
# them.  The sources are named by URIs as each system's editor names them;
# that is all that may differ, and it is put back before the answers are
# compared byte for byte.
lsp_exchange() {  # line source URI, train source URI; the messages on standard output
  /usr/bin/python3 - "$work/autore-lin/Sorgenti Łódź" "$1" "$2" <<'PY'
import json, sys
folder, line_uri, train_uri = sys.argv[1:]
def text(name):
    with open(folder + "/" + name, "rb") as f:
        return f.read().decode("cp1252")
line = text("Valdoro_linea.txt").replace("\npendenza,  600,", "\npendnza,  600,")
messages = [
    {"jsonrpc": "2.0", "id": 1, "method": "initialize",
     "params": {"processId": None, "rootUri": None, "capabilities": {}}},
    {"jsonrpc": "2.0", "method": "initialized", "params": {}},
    {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
        "uri": line_uri, "languageId": "valdoro-line", "version": 1, "text": line}}},
    {"jsonrpc": "2.0", "method": "textDocument/didOpen", "params": {"textDocument": {
        "uri": train_uri, "languageId": "valdoro-train", "version": 1, "text": text("Valdoro_Dir 5802-.txt")}}},
    {"jsonrpc": "2.0", "id": 2, "method": "shutdown"},
    {"jsonrpc": "2.0", "method": "exit"},
]
for m in messages:
    body = json.dumps(m).encode("utf-8")
    sys.stdout.buffer.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
PY
}
lin_folder="file:///home/autore/Sorgenti%20%C5%81%C3%B3d%C5%BA"
win_folder="file:///c%3A/Users/autore/Sorgenti%20%C5%81%C3%B3d%C5%BA"
lsp_exchange "$lin_folder/Valdoro_linea.txt" "$lin_folder/Valdoro_Dir%205802-.txt" >"$work/lsp-in-lin"
lsp_exchange "$win_folder/Valdoro_linea.txt" "$win_folder/Valdoro_Dir%205802-.txt" >"$work/lsp-in-win"
"$linux_scenario" lsp <"$work/lsp-in-lin" >"$work/lsp-out-lin" 2>"$work/lsp-err-lin"; sl=$?
timeout 120 wine "$win/scenario.exe" lsp <"$work/lsp-in-win" >"$work/lsp-out-win" 2>>"$log"; sw=$?
check "scenario lsp: exit status 0 after exit, Windows $sw, Linux $sl" '[ $sw -eq 0 ] && [ $sl -eq 0 ]'
check "scenario lsp: the Linux server tells the typo, and the train source's broken name once the pair is open" \
  'grep -qF "unknown keyword \\\"pendnza\\\"" "$work/lsp-out-lin" && grep -qF "\"code\":\"broken-name\"" "$work/lsp-out-lin"'
# Each URI is put back in its own spelling: a Content-Length before it
# counts the bytes of the URI, so the whole frame is rebuilt.
/usr/bin/python3 - "$work/lsp-out-win" "$work/lsp-out-lin.norm" "$win_folder" "$lin_folder" "$work/lsp-out-lin" <<'PY'
import re, sys
def frames(data):
    out, rest = [], data
    while rest:
        m = re.match(rb"Content-Length: (\d+)\r\n\r\n", rest)
        if not m:
            return out + [b"UNFRAMED: " + rest]
        n = int(m.group(1))
        out.append(rest[m.end():m.end() + n])
        rest = rest[m.end() + n:]
    return out
win, norm, win_folder, lin_folder, lin = sys.argv[1:]
with open(win, "rb") as f:
    bodies = [b.replace(win_folder.encode(), lin_folder.encode()) for b in frames(f.read())]
with open(norm, "wb") as f:
    f.write(b"".join(b"Content-Length: %d\r\n\r\n" % len(b) + b for b in bodies))
PY
check "scenario lsp: the same answers, byte for byte: $(head -c 300 "$work/lsp-out-win")" \
  '[ -s "$work/lsp-out-lin" ] && cmp -s "$work/lsp-out-lin.norm" "$work/lsp-out-lin"'

# --- scenario.exe view: Linux's headless Chromium on the page that the wine
# process serves on loopback, through the same saves as the Linux build.
/usr/bin/python3 "$src/view/view_browser_test.py" "$win/scenario.exe" "$(command -v chromium)" \
  "$(command -v chromedriver)" "$win/artifacts" >"$work/view" 2>&1; s=$?
check "scenario.exe view in the browser: $(grep -v '^ok: ' "$work/view" | head -c 800)" '[ $s -eq 0 ]'

echo "wine part took $((SECONDS - start)) s"
if [ $fail -ne 0 ]; then
  echo "--- wine log"; tail -n 40 "$log"
  exit 1
fi
echo "windows test passed"
