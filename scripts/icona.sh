#!/usr/bin/env bash
# Renders app/valdoro.svg into app/valdoro.ico, the icon of Valdoro.exe,
# and app/scenario.svg into app/scenario.ico, scenario.exe's, at the sizes
# Windows asks for (16 to 256 px); all four files are kept in the
# repository, so a build needs neither tool.  The 256 px image is stored as
# PNG, as Windows expects of that size.
#   bash scripts/icona.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh librsvg2-bin icoutils
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for icona in valdoro scenario; do
  immagini=()
  for lato in 16 20 24 32 40 48 64 96 128; do
    rsvg-convert -w "$lato" -h "$lato" "app/$icona.svg" -o "$tmp/$icona-$lato.png"
    immagini+=("$tmp/$icona-$lato.png")
  done
  rsvg-convert -w 256 -h 256 "app/$icona.svg" -o "$tmp/$icona-256.png"
  icotool -c -o "app/$icona.ico" "${immagini[@]}" -r "$tmp/$icona-256.png"
  icotool -l "app/$icona.ico"
done
