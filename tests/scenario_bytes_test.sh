#!/usr/bin/env bash
# The embedded scenario's files pinned from outside the program:
#  - bytes worked out by hand from the scenario's data (sources/scenario.cc)
#    and the layouts of docs/binary-files.md, read with od: a signal's cell
#    and its announcement marks, a station's cell and marks, gradient and
#    adhesion bytes, a slowdown's cells, two station rows, the first curve's
#    first metre;
#  - the authors' guide's example of `scenario dump` (cells 20 and 21), read
#    from docs/authors.md itself;
#  - a change detector: the SHA-256 sums of the six outputs in
#    tests/scenario.sha256.  Any change of the embedded data, the compiler
#    or the writers changes them; when the change is meant, review the new
#    files and record them with bash scripts/update_scenario_sums.sh.
#   bash tests/scenario_bytes_test.sh PATH/TO/valdoro PATH/TO/scenario
set -u
exe="$1"
tool="$2"
here="$(cd "$(dirname "$0")" && pwd)"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$exe" "$work/valdoro"
"$work/valdoro" 2>/dev/null; status=$?
check "the run ends cleanly (status $status)" '[ $status -eq 0 ]'
track="$work/Valdoro_Dir 5802.dat"
stations="$work/Valdoro_Dir 5802.sim"
profile="$work/Valdoro_linea.dat"

hex() { od -An -tx1 -v -j "$2" -N "$3" "$1" | xargs; }  # FILE OFFSET COUNT
# A cell is 15 bytes: tipo, valore1 to valore4 (16-bit), tempo, annuncio,
# montagna, velocita, pendenza, aderenza.
cell() { hex "$track" $(( $1 * 15 )) 15; }
expect_cell() {  # CELL EXPECTED-HEX WHY
  local got want="$2"
  got=$(cell "$1")
  check "cell $1 ($3): got $got" '[ "$got" = "$want" ]'
}

# The first signal, "segnale, 1050, 2, 4, 1, 1, 0, 2, 2,1,1, 0": cell
# nearest(1050 / 50 + 1) = 22; tipo 1; valore1 = s1 * 10 + d1 = 42 (2a),
# valore2 = s2 * 10 + d2 = 11 (0b), valore3 = s3 * 10 + d3 = 11,
# valore4 = rapp * 10 + sx * 3 + dx = 8; tempo 0.  Speed 110 km/h from 1100
# m on (22), gradient -11 (89 = 0x59), adhesion 83 (0x53).
expect_cell 22 "01 2a 00 0b 00 0b 00 08 00 00 00 00 16 59 53" "the first signal"
# Its announcement marks (sx * 3 + dx) * 10 + b two cells apart behind it:
# 81 at cell 20, 82 at 18, 83 at 16, 84 at 14; 30 km/h (6) before 1100 m.
expect_cell 20 "00 00 00 00 00 00 00 00 00 00 51 00 06 59 53" "first mark of the first signal"
expect_cell 18 "00 00 00 00 00 00 00 00 00 00 52 00 06 59 53" "second mark"
expect_cell 16 "00 00 00 00 00 00 00 00 00 00 53 00 06 59 53" "third mark"
expect_cell 14 "00 00 00 00 00 00 00 00 00 00 54 00 06 59 53" "fourth mark"

# Gradients: -5 from 1950 m, -4 from 3550 m (cell 71), -5 from 6800 m (cell
# 136): the byte is the gradient plus 100.
pendenza() { cell "$1" | cut -d' ' -f14; }
check "gradient of cell 70 is -5: got 0x$(pendenza 70)" '[ "$(pendenza 70)" = 5f ]'
check "gradient of cell 71 is -4: got 0x$(pendenza 71)" '[ "$(pendenza 71)" = 60 ]'
check "gradient of cell 135 is -4: got 0x$(pendenza 135)" '[ "$(pendenza 135)" = 60 ]'
check "gradient of cell 136 is -5: got 0x$(pendenza 136)" '[ "$(pendenza 136)" = 5f ]'
# Adhesion 83 from the start, 70 from 8400 m (cell 168).
aderenza() { cell "$1" | cut -d' ' -f15; }
check "adhesion of cell 167 is 83: got 0x$(aderenza 167)" '[ "$(aderenza 167)" = 53 ]'
check "adhesion of cell 168 is 70: got 0x$(aderenza 168)" '[ "$(aderenza 168)" = 46 ]'

# The second slowdown, "rallentamento, 7300, 100, 600, 0, 1, 100": start
# cell nearest(7300 / 50 + 1) = 147 (tipo 3), end cell nearest(7900 / 50 +
# 1) = 159 (tipo 2), warning 1200 m before at cell 123 (tipo 4); each with
# valore1 = 100 (64), valore2 = the second speed 100; start and end valore3 =
# f_tt 0.
first7() { cell "$1" | cut -d' ' -f1-7; }
check "slowdown start, cell 147: got $(first7 147)" '[ "$(first7 147)" = "03 64 00 64 00 00 00" ]'
check "slowdown end, cell 159: got $(first7 159)" '[ "$(first7 159)" = "02 64 00 64 00 00 00" ]'
check "slowdown warning, cell 123: got $(first7 123)" '[ "$(first7 123)" = "04 64 00 64 00 00 00" ]'

# Ponte Rovera, "stazione, 13400, 2, 400, 1, 0, 0, 3,1,0, 2,1,1, 60, 14,28, 0",
# the third station: its area ends at 13400 + 400 / 2 = 13600, so its cell
# is 13600 / 50 - 1 = 271 (tipo 10, valore1 = row 3) and its marks 81 to 84
# go to cells 270 down to 267.  The signal at 13750 (cell 276, kind 8) puts
# its own marks 83 and 84 on cells 270 and 268 after them.
annuncio() { cell "$1" | cut -d' ' -f11; }
check "station cell 271: got $(first7 271)" '[ "$(first7 271)" = "0a 03 00 00 00 00 00" ]'
check "marks of cells 270 to 267: got $(annuncio 270) $(annuncio 269) $(annuncio 268) $(annuncio 267)" \
  '[ "$(annuncio 270) $(annuncio 269) $(annuncio 268) $(annuncio 267)" = "53 52 54 54" ]'

# Station rows: row 0 is 34 zero bytes, row 1 (Roccavalle) 34 + 10, so
# row 2 starts at byte 78 and row 3 at 78 + 34 + 7 = 119.
# Row 2, Fornaci, "stazione, 4250, 4, 500, 0, 0, 1, 1,1,0, 4,1,1, 0, 0,0,0":
# tipo 4; area 4250 -+ 250, lengthened by 50 for campo6: 4000 (a0 0f) to
# 4550 (c6 11); progressiva 4250 (9a 10); campo4 0; the name; campo7 1,
# campo8 1, campo10 4, campo11 1, campo12 1; campo9 0, campo13 0, campo6 1,
# campo5 0 (under 600 m); no time.
row2="04 a0 0f 00 00 c6 11 00 00 9a 10 00 00 00 07 00 46 6f 72 6e 61 63 69 01 00 01 00 04 00 01 00 01 00 00 00 01 00 00 00 00 00"
check "row 2, Fornaci: got $(hex "$stations" 78 41)" '[ "$(hex "$stations" 78 41)" = "$row2" ]'
# Row 3, Ponte Rovera: area 13200 (90 33) to 13600 (20 35), progressiva
# 13400 (58 34), campo4 1, "Ponte Rovera", campo7 3, campo8 1, campo10 2,
# campo11 1, campo12 1, campo9 0, campo13 60 (3c), campo6 0, campo5 0,
# time (14 * 60 + 28) * 60 = 52080 (70 cb).
row3="02 90 33 00 00 20 35 00 00 58 34 00 00 01 0c 00 50 6f 6e 74 65 20 52 6f 76 65 72 61 03 00 01 00 02 00 01 00 01 00 00 3c 00 00 70 cb 00 00"
check "row 3, Ponte Rovera: got $(hex "$stations" 119 46)" '[ "$(hex "$stations" 119 46)" = "$row3" ]'

# The profile: metres 0 and 1 are the integers (0, 0) and (0, 1), then
# doubles (tag 5, 10 bytes) from metre 2.  The first curve, "curvas1, 1350,
# 150", turns its first metre left by the curvature 0.0001: metre 1351 is
# (-0.0001, 1351.0).  x[i] is at 8 + 10 (i - 2); the y half starts after
# the 2 249 982 bytes of the x half.
check "profile starts (0, 0), (0, 1), x 0.0: got $(hex "$profile" 0 18)" \
  '[ "$(hex "$profile" 0 18)" = "02 00 00 00 02 00 00 00 05 00 00 00 00 00 00 00 00 00" ]'
check "x of metre 1351 is -0.0001: got $(hex "$profile" 13498 10)" \
  '[ "$(hex "$profile" 13498 10)" = "05 00 2d 43 1c eb e2 36 1a bf" ]'
check "y of metre 1351 is 1351.0: got $(hex "$profile" $(( 2249982 + 13498 )) 10)" \
  '[ "$(hex "$profile" $(( 2249982 + 13498 )) 10)" = "05 00 00 00 00 00 00 1c 95 40" ]'

# The authors' guide's dump example, word for word.
"$tool" dump "$track" --nonzero >"$work/dump"; status=$?
check "dump of the track ends cleanly (status $status)" '[ $status -eq 0 ]'
grep -E '^cell 2[01]: ' "$here/../docs/authors.md" >"$work/example"
check "docs/authors.md has the two example lines" '[ "$(wc -l <"$work/example")" -eq 2 ]'
while IFS= read -r line; do
  check "the dump prints the guide's line: $line" 'grep -q -x -F "$line" "$work/dump"'
done <"$work/example"

# Change detector.
(cd "$work" && sha256sum --quiet -c "$here/scenario.sha256") >"$work/sums" 2>&1
check "the six files have their recorded sums (change detector; if the change is meant, review it and run bash scripts/update_scenario_sums.sh): $(cat "$work/sums")" \
  '[ ! -s "$work/sums" ]'
check "the sums cover the six outputs" \
  '[ "$(cut -c67- "$here/scenario.sha256" | sort | tr "\n" "|")" = "Valdoro_Dir 5802.dat|Valdoro_Dir 5802.sim|Valdoro_Dir 5802_note.txt|Valdoro_Dir 5802_rallentamenti.txt|Valdoro_Dir 5802_scheda_treno.txt|Valdoro_linea.dat|" ]'

# The author's road gives the same three papers: init's sources and facts,
# through `scenario papers`, against the sums above.
"$tool" init "$work/start" >/dev/null; status=$?
check "init ends cleanly (status $status)" '[ $status -eq 0 ]'
"$tool" papers "$work/start/Valdoro_linea.txt" "$work/start/Valdoro_Dir 5802-.txt" \
  --facts "$work/start/Valdoro_Dir 5802_fatti.txt" --out "$work/papers" >/dev/null; status=$?
check "papers from init's files end cleanly (status $status)" '[ $status -eq 0 ]'
grep '_[a-z_]*\.txt$' "$here/scenario.sha256" >"$work/papers.sha256"
check "the sums name the three papers" '[ "$(wc -l <"$work/papers.sha256")" -eq 3 ]'
(cd "$work/papers" && sha256sum --quiet -c "$work/papers.sha256") >"$work/papers_sums" 2>&1
check "init's sources and facts give the packager's three papers: $(cat "$work/papers_sums")" \
  '[ ! -s "$work/papers_sums" ]'

[ $fail -eq 0 ] && echo "scenario bytes test passed"
exit $fail
