#!/usr/bin/env bash
# Draws four lines, the hand-written scenario in testing/testdata, the
# packager's own and two generated ones (5 km and 1000 km, winding), and
# loads each picture in headless Chromium.  Fails when the browser reports
# a parse error, when the document it ends up with is not the SVG, when the
# screenshot is as good as blank, when a picture is wider than a 1280-pixel
# window, when two of its texts overlap (the boxes the browser lays them out
# in), and, on a plan, when a station goes without its name, when a name
# beside its square stands nearer another station's square than its own, when
# a name further out has no leader line from its square or stands by another
# square, or when two leader lines cross.
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

# genera DIR LENGTH STATIONS: the sources of a line of LENGTH metres that
# winds one way and the other, with STATIONS stations evenly along it, a
# signal between each two, four tunnels named by their boards, gradients
# and a slowdown.
genera() {
  local dir=$1 lunghezza=$2 quante=$3
  mkdir -p "$dir"
  awk -v L="$lunghezza" -v N="$quante" -v dir="$dir" 'BEGIN {
    linea = dir "/linea.txt"; treno = dir "/treno.txt"
    passo = int(L / N / 100) * 100
    printf "[generale]\r\nlunghezza percorso, %d\r\n", L > linea
    printf "progressiva chilometrica uno, 0, 0, 0\r\nprogressiva chilometrica due, 0, 0, 0\r\n" > linea
    printf "progressiva chilometrica tre, 0, 0, 0\r\nsfondo uno, 1\r\nsfondo due, 0\r\nsfondo tre, 0\r\n" > linea
    printf "ripetizione segnali 4 codici, 0, 0\r\n[curve]\r\n" > linea
    c = int(L / 40 / 50) * 50
    for (p = c; p + c < L; p += 2 * c) printf "curva%s%d, %d, %d\r\n", ((p / c) % 4 < 2 ? "s" : "d"), 2 + (p / c) % 3, p, c > linea
    printf "[pendenze]\r\npendenza, 0, 0\r\n" > linea
    g = int(L / 12 / 50) * 50
    for (i = 1; i * g < L; ++i) printf "pendenza, %d, %d\r\n", i * g, (i % 5) * 4 - 8 > linea
    printf "[montagne]\r\n" > linea
    t = int(L / 6 / 50) * 50
    for (i = 1; i <= 4; ++i) printf "montagna, %d, %d, 1\r\n", i * t + 300, i * t + 400 + int(t / 8 / 50) * 50 > linea
    printf "[cartelli]\r\n[indicazioni]\r\n" > linea
    for (i = 1; i <= 4; ++i) printf "cartello_indicatore, %d, (Galleria)(Numero %s)\r\n", i * t + 250, substr("ABCD", i, 1) > linea
    printf "[fine]\r\n" > linea
    printf "[generale]\r\nnumero vetture, 5\r\npercentuale massa frenata, 110\r\nsabbia, 100\r\norologio, 8 0 0\r\n" > treno
    printf "[aderenze]\r\naderenza, 0, 80\r\n[vel_limite]\r\nvelocita, 0, 60\r\nvelocita, 800, 120\r\n[stazioni]\r\n" > treno
    for (i = 0; i < N; ++i) {
      tipo = i == 0 ? 8 : (i == N - 1 ? 6 : 2)
      printf "stazione, %d, %d, 200, 1, 0, 0, 3,1,0, 2,1,1, 60, %d,%d,0, Stazione %d\r\n", i * passo, tipo, 8 + int(i / 60), i % 60, i + 1 > treno
    }
    printf "[rallentamenti]\r\nrallentamento, %d, 50, 600, 0, 1, 0\r\n[segnali]\r\n", int(L / 2 / 50) * 50 + 250 > treno
    for (i = 0; i < N - 1; ++i) printf "segnale, %d, 2, 4, 1, 0, 0, 0, 0,0,0, 0\r\n", i * passo + int(passo / 2 / 50) * 50 + 50 > treno
    printf "[codici]\r\n[fine]\r\n" > treno
  }'
}

"$scenario" compile "$here/../testing/testdata/colle_linea.txt" "$here/../testing/testdata/colle_treno.txt" \
  --title Colle --train "R 101" --out "$work/colle"
"$scenario" draw "$work/colle" --out "$work/svg-colle" >/dev/null
mkdir "$work/valdoro"
cp "$valdoro" "$work/valdoro/"
(cd "$work/valdoro" && "./$(basename "$valdoro")" 2>/dev/null)
"$scenario" draw "$work/valdoro" --out "$work/svg-valdoro" >/dev/null
for generata in "corta 5000 6" "lunga 1000000 40"; do
  read -r nome lunghezza quante <<<"$generata"
  genera "$work/src-$nome" "$lunghezza" "$quante"
  "$scenario" compile "$work/src-$nome/linea.txt" "$work/src-$nome/treno.txt" --title "$nome" --train "R 1" \
    --out "$work/$nome" >/dev/null
  "$scenario" draw "$work/$nome" --out "$work/svg-$nome" >/dev/null
done
# The stations of each line: its plan names every one, so that the checks
# of the names cannot pass on a plan that shows none.
declare -A stazioni=([colle]=3 [valdoro]=25 [corta]=6 [lunga]=40)

# A fresh profile for every start: nothing of one page carries to the next.
browser() {
  local profilo
  profilo=$(mktemp -d "$work/profile.XXXXXX")
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$profilo" "$@" 2>/dev/null
}

# The picture inline in a page of no margin, and a script that reports the
# document's width against the window's, every pair of texts whose boxes
# overlap by more than half a pixel each way and, on a plan, each station
# square without its name (id st-ROW and lbl-ROW), each name within 12 px of
# its square but nearer another, each name further out without a leader from
# the square's centre to the name's box or within 12 px of another square,
# and each two leaders that cross.
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
const centro = e => {
  const r = e.getBoundingClientRect();
  return {x: (r.left + r.right) / 2, y: (r.top + r.bottom) / 2};
};
const distanza = (r, p) => Math.hypot(Math.max(r.left - p.x, 0, p.x - r.right), Math.max(r.top - p.y, 0, p.y - r.bottom));
const quadrati = new Map([...document.querySelectorAll('rect[id^="st-"]')].map(q => [q.id.slice(3), centro(q)]));
const origine = document.querySelector('svg').getBoundingClientRect();
const punto = (l, x, y) => ({x: origine.left + +l.getAttribute(x), y: origine.top + +l.getAttribute(y)});
const guide = [...document.querySelectorAll('line.leader')].map(l => ({
  riga: l.dataset.row, a: punto(l, 'x1', 'y1'), b: punto(l, 'x2', 'y2')}));
let nomi = 0;
for (const [riga, p] of quadrati) {
  const nome = document.getElementById('lbl-' + riga);
  if (!nome) {
    guasti.push('the station of row ' + riga + ' has no name');
    continue;
  }
  ++nomi;
  // Beside its square, nearer it than any other; or further out, on a
  // leader from it, and well away from every other square.
  const r = nome.getBoundingClientRect(), mia = distanza(r, p), vicino = mia <= 12;
  for (const [altra, q] of quadrati) {
    if (altra !== riga && (vicino ? distanza(r, q) + 1 < mia : distanza(r, q) < 12)) {
      guasti.push('"' + nome.textContent + '" stands by the square of row ' + altra + ' rather than its own');
      break;
    }
  }
  const guida = guide.find(g => g.riga === riga);
  if (!vicino && !(guida && Math.hypot(guida.a.x - p.x, guida.a.y - p.y) < 1.5 && distanza(r, guida.b) < 1.5)) {
    guasti.push('"' + nome.textContent + '" stands ' + mia.toFixed(1) + ' px off its square with no leader to it');
  }
}
const lato = (o, a, b) => Math.sign((a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x));
for (let i = 0; i < guide.length; ++i) {
  for (let j = i + 1; j < guide.length; ++j) {
    const g = guide[i], h = guide[j];
    if (lato(h.a, h.b, g.a) * lato(h.a, h.b, g.b) < 0 && lato(g.a, g.b, h.a) * lato(g.a, g.b, h.b) < 0) {
      guasti.push('the leaders of rows ' + g.riga + ' and ' + h.riga + ' cross');
    }
  }
}
const esito = document.createElement('pre');
esito.id = 'esito';
esito.textContent = guasti.length ? guasti.join('\n') :
    'fits, ' + testi.length + ' texts apart, ' + nomi + ' station names by their squares, ' + guide.length + ' leaders';
document.body.appendChild(esito);
</script></body></html>
EOF
}

# An overlap check of too few texts proves nothing: each picture names at
# least every station of its line.
declare -A minimo_testi=([colle]=3 [valdoro]=25 [corta]=6 [lunga]=40)

fallito=0
for line in colle valdoro corta lunga; do
  for f in plan gradient; do
    svg="$work/svg-$line/$f.svg"
    # One start of the browser both reads the document back and takes the
    # screenshot: a start costs more than the page.
    dom=$(browser --window-size=1280,900 --hide-scrollbars --screenshot="$work/$line-$f.png" --dump-dom "file://$svg")
    if grep -q "parsererror" <<<"$dom"; then
      echo "FAIL: $line $f.svg does not render:" >&2
      sed -e 's/<[^>]*>/ /g' <<<"$dom" | tr -s ' ' | head -c 600 >&2
      exit 1
    fi
    if ! grep -q "<svg" <<<"$dom"; then
      echo "FAIL: the browser did not load $line $f.svg as SVG" >&2
      exit 1
    fi
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
    elif [ "$f" = plan ] && [[ "$esito" != *", ${stazioni[$line]} station names by their squares"* ]]; then
      echo "FAIL: $line plan.svg should name its ${stazioni[$line]} stations: $esito" >&2
      fallito=1
    elif testi=$(sed -n 's/^fits, \([0-9]*\) texts apart.*/\1/p' <<<"$esito") && [ "${testi:-0}" -lt "${minimo_testi[$line]}" ]; then
      echo "FAIL: $line $f.svg: only ${testi:-no} texts measured, fewer than its ${minimo_testi[$line]} stations" >&2
      fallito=1
    else
      echo "ok: $line $f.svg renders ($size-byte screenshot) and $esito"
    fi
  done
done
exit $fallito
