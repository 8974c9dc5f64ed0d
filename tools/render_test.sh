#!/usr/bin/env bash
# Builds the hand-written scenario in tools/testdata, draws it, and loads both
# pictures in headless Chromium.  Fails when the browser reports a parse
# error, when the document it ends up with is not the SVG, or when the
# screenshot is as good as blank.
# Usage: render_test.sh SCENARIO_BINARY CHROMIUM_BINARY
set -euo pipefail
scenario=$1
chromium=${2:-}
if [ -z "$chromium" ] || [ ! -x "$chromium" ]; then
  echo "FAIL: chromium not found; install it with: bash scripts/setup.sh chromium" >&2
  exit 1
fi
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$scenario" compile "$here/testdata/colle_linea.txt" "$here/testdata/colle_treno.txt" \
  --title Colle --train "R 101" --out "$work/bin"
"$scenario" draw "$work/bin" --out "$work/svg"

browser() {
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --user-data-dir="$work/profile" "$@" 2>/dev/null
}

for f in plan gradient; do
  svg="$work/svg/$f.svg"
  dom=$(browser --dump-dom "file://$svg")
  if grep -q "parsererror" <<<"$dom"; then
    echo "FAIL: $f.svg does not render:" >&2
    sed -e 's/<[^>]*>/ /g' <<<"$dom" | tr -s ' ' | head -c 600 >&2
    exit 1
  fi
  if ! grep -q "<svg" <<<"$dom"; then
    echo "FAIL: the browser did not load $f.svg as SVG" >&2
    exit 1
  fi
  browser --window-size=1600,920 --screenshot="$work/$f.png" "file://$svg" >/dev/null
  size=$(stat -c %s "$work/$f.png")
  # A white page of this size compresses to about 3 kB.
  if [ "$size" -lt 10000 ]; then
    echo "FAIL: the screenshot of $f.svg is nearly blank ($size bytes)" >&2
    exit 1
  fi
  echo "ok: $f.svg renders ($size-byte screenshot)"
done
