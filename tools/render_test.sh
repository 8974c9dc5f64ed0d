#!/usr/bin/env bash
# Draws two lines, the hand-written scenario in tools/testdata and the
# packager's own, and loads each picture in headless Chromium.  Fails when
# the browser reports a parse error, when the document it ends up with is
# not the SVG, when the screenshot is as good as blank, when a picture is
# wider than a 1280-pixel window, or when two of its texts overlap (the
# boxes the browser lays them out in).
# Usage: render_test.sh SCENARIO_BINARY VALDORO_BINARY CHROMIUM_BINARY
set -euo pipefail
scenario=$1
valdoro=$2
chromium=${3:-}
if [ -z "$chromium" ] || [ ! -x "$chromium" ]; then
  echo "FAIL: chromium not found; install it with: bash scripts/setup.sh chromium" >&2
  exit 1
fi
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$scenario" compile "$here/testdata/colle_linea.txt" "$here/testdata/colle_treno.txt" \
  --title Colle --train "R 101" --out "$work/colle"
"$scenario" draw "$work/colle" --out "$work/svg-colle" >/dev/null
mkdir "$work/valdoro"
cp "$valdoro" "$work/valdoro/"
(cd "$work/valdoro" && "./$(basename "$valdoro")" 2>/dev/null)
"$scenario" draw "$work/valdoro" --out "$work/svg-valdoro" >/dev/null

# A fresh profile for every start: nothing of one page carries to the next.
browser() {
  local profilo
  profilo=$(mktemp -d "$work/profile.XXXXXX")
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$profilo" "$@" 2>/dev/null
}

# The picture inline in a page of no margin, and a script that reports the
# document's width against the window's and every pair of texts whose
# boxes overlap by more than half a pixel each way.
misura() {
  cat <<'EOF'
<!DOCTYPE html><html><head><meta charset="utf-8"><style>body{margin:0}</style></head><body>
EOF
  sed '1{/^<?xml/d}' "$1"
  cat <<'EOF'
<script>
const doc = document.documentElement;
const guasti = [];
if (doc.scrollWidth > doc.clientWidth) {
  guasti.push('document ' + doc.scrollWidth + ' px wide in a window ' + doc.clientWidth + ' px wide');
}
const testi = [...document.querySelectorAll('svg text')].map(t => ({s: t.textContent, r: t.getBoundingClientRect()}));
for (let i = 0; i < testi.length; ++i) {
  for (let j = i + 1; j < testi.length; ++j) {
    const a = testi[i].r, b = testi[j].r;
    const x = Math.min(a.right, b.right) - Math.max(a.left, b.left);
    const y = Math.min(a.bottom, b.bottom) - Math.max(a.top, b.top);
    if (x > 0.5 && y > 0.5) guasti.push('"' + testi[i].s + '" overlaps "' + testi[j].s + '"');
  }
}
const esito = document.createElement('pre');
esito.id = 'esito';
esito.textContent = guasti.length ? guasti.join('\n') : 'fits, ' + testi.length + ' texts apart';
document.body.appendChild(esito);
</script></body></html>
EOF
}

# An overlap check of too few texts proves nothing: each picture names at
# least every station of its line.
declare -A minimo_testi=([colle]=3 [valdoro]=25)

fallito=0
for line in colle valdoro; do
  for f in plan gradient; do
    svg="$work/svg-$line/$f.svg"
    dom=$(browser --dump-dom "file://$svg")
    if grep -q "parsererror" <<<"$dom"; then
      echo "FAIL: $line $f.svg does not render:" >&2
      sed -e 's/<[^>]*>/ /g' <<<"$dom" | tr -s ' ' | head -c 600 >&2
      exit 1
    fi
    if ! grep -q "<svg" <<<"$dom"; then
      echo "FAIL: the browser did not load $line $f.svg as SVG" >&2
      exit 1
    fi
    browser --window-size=1280,900 --hide-scrollbars --screenshot="$work/$line-$f.png" "file://$svg" >/dev/null
    size=$(stat -c %s "$work/$line-$f.png")
    # A white page of this size compresses to about 3 kB.
    if [ "$size" -lt 10000 ]; then
      echo "FAIL: the screenshot of $line $f.svg is nearly blank ($size bytes)" >&2
      exit 1
    fi
    misura "$svg" >"$work/$line-$f.html"
    esito=$(browser --window-size=1280,900 --dump-dom "file://$work/$line-$f.html" |
      sed -n '/<pre id="esito">/,/<\/pre>/p' | sed -e 's/<[^>]*>//g' -e 's/&amp;/\&/g; s/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g')
    if [ -z "$esito" ]; then
      echo "FAIL: no measure of $line $f.svg came back from the browser" >&2
      fallito=1
    elif [[ "$esito" != fits,* ]]; then
      echo "FAIL: $line $f.svg at 1280 px:" >&2
      echo "$esito" >&2
      fallito=1
    elif testi=$(sed -n 's/^fits, \([0-9]*\) texts apart$/\1/p' <<<"$esito") && [ "${testi:-0}" -lt "${minimo_testi[$line]}" ]; then
      echo "FAIL: $line $f.svg: only ${testi:-no} texts measured, fewer than its ${minimo_testi[$line]} stations" >&2
      fallito=1
    else
      echo "ok: $line $f.svg renders ($size-byte screenshot) and $esito"
    fi
  done
done
exit $fallito
