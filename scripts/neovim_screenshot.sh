#!/usr/bin/env bash
# The picture of Neovim in the authors' guide: Neovim, set up by
# editors/neovim/scenario.lua, runs the built `scenario lsp` on our line
# and train sources from `scenario init`, a keyword spelt wrong, and the
# hover on a station's position, in a tmux
# terminal of 120 x 30; the screen, colours and all, is turned into a page
# and headless Chromium takes its picture.
#   bash scripts/neovim_screenshot.sh [SCENARIO] [OUT_PNG]
# (default build/scenario, docs/images/neovim-lsp.png)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh neovim tmux chromium fonts-dejavu-core
scenario=$(realpath "${1:-build/scenario}")
out=$(realpath -m "${2:-docs/images/neovim-lsp.png}")
work=$(mktemp -d)
socket="$work/tmux"
trap 'tmux -S "$socket" kill-server 2>/dev/null; rm -rf "$work"' EXIT

"$scenario" init "$work/Valdoro" >/dev/null
sed -i 's/^pendenza,  600,/pendnza,  600,/' "$work/Valdoro/Valdoro_linea.txt"
mkdir -p "$work/bin" "$work/home"
ln -s "$scenario" "$work/bin/scenario"
cat >"$work/init.lua" <<LUA
vim.o.termguicolors = true
vim.o.number = true
vim.o.shortmess = vim.o.shortmess .. 'I'
-- Only for the picture: a quiet colour and a border for the hover's window.
vim.cmd('highlight NormalFloat guibg=#2c323c guifg=#e0e0e0')
vim.cmd('highlight FloatBorder guibg=#2c323c guifg=#8a9199')
vim.lsp.handlers['textDocument/hover'] = vim.lsp.with(vim.lsp.handlers.hover, {border = 'rounded'})
dofile('$(pwd)/editors/neovim/scenario.lua')
LUA
# Both sources, one above the other: the line source at the typo, the
# train source from the name broken over two lines down to Rivalta.
tmux -S "$socket" -f /dev/null new-session -d -x 120 -y 30 -c "$work/Valdoro" \
  env HOME="$work/home" PATH="$work/bin:$PATH" TERM=tmux-256color \
  nvim -n -i NONE -u "$work/init.lua" -o Valdoro_linea.txt "Valdoro_Dir 5802-.txt" \
  -c "wincmd j" -c "normal! 58Gzt" -c "wincmd k" -c "normal! 109Gzt4j"
# The server's diagnostics take a moment to arrive: the screen is read once
# the error's text is on it.
for _ in $(seq 100); do
  tmux -S "$socket" capture-pane -p | grep -q "unknown keyword" &&
    tmux -S "$socket" capture-pane -p | grep -q "on a line of its own" && break
  sleep 0.2
done
# Then K on Rivalta's position: what the field is, and where it stands.
tmux -S "$socket" send-keys C-w j 70G13\| K
for _ in $(seq 100); do
  tmux -S "$socket" capture-pane -p | grep -q "km 186.200" && break
  sleep 0.2
done
sleep 0.5
tmux -S "$socket" capture-pane -p -e -N >"$work/screen.ans"

/usr/bin/python3 - "$work/screen.ans" "$work/screen.html" <<'PY'
import html, re, sys
BASE = ["#000000", "#cd0000", "#00cd00", "#cdcd00", "#0000ee", "#cd00cd", "#00cdcd", "#e5e5e5",
        "#7f7f7f", "#ff0000", "#00ff00", "#ffff00", "#5c5cff", "#ff00ff", "#00ffff", "#ffffff"]
def c256(n):
    if n < 16:
        return BASE[n]
    if n < 232:
        n -= 16
        steps = [0, 95, 135, 175, 215, 255]
        return "#%02x%02x%02x" % (steps[n // 36], steps[n // 6 % 6], steps[n % 6])
    v = 8 + 10 * (n - 232)
    return "#%02x%02x%02x" % (v, v, v)
FG, BG = "#d0d0d0", "#1c1c1c"
state = {}
def style():
    fg, bg = state.get("fg", FG), state.get("bg", BG)
    if state.get("rev"):
        fg, bg = bg, fg
    s = "color:%s;background:%s" % (fg, bg)
    if state.get("bold"): s += ";font-weight:bold"
    if state.get("italic"): s += ";font-style:italic"
    if state.get("under"): s += ";text-decoration:underline"
    return s
def sgr(params):
    p = [int(x) if x else 0 for x in params.split(";")] if params else [0]
    i = 0
    while i < len(p):
        n = p[i]
        if n == 0: state.clear()
        elif n == 1: state["bold"] = True
        elif n == 3: state["italic"] = True
        elif n in (4, 21): state["under"] = True
        elif n == 7: state["rev"] = True
        elif n == 22: state.pop("bold", None)
        elif n == 23: state.pop("italic", None)
        elif n == 24: state.pop("under", None)
        elif n == 27: state.pop("rev", None)
        elif 30 <= n <= 37: state["fg"] = BASE[n - 30]
        elif 90 <= n <= 97: state["fg"] = BASE[n - 82]
        elif 40 <= n <= 47: state["bg"] = BASE[n - 40]
        elif 100 <= n <= 107: state["bg"] = BASE[n - 92]
        elif n == 39: state.pop("fg", None)
        elif n == 49: state.pop("bg", None)
        elif n in (38, 48) and i + 1 < len(p):
            key = "fg" if n == 38 else "bg"
            if p[i + 1] == 5:
                state[key] = c256(p[i + 2]); i += 2
            elif p[i + 1] == 2:
                state[key] = "#%02x%02x%02x" % tuple(p[i + 2:i + 5]); i += 4
        i += 1
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
rows = []
for line in text.split("\n")[:30]:
    out, pos = [], 0
    for m in re.finditer(r"\x1b\[([0-9;]*)m", line):
        if m.start() > pos:
            out.append('<span style="%s">%s</span>' % (style(), html.escape(line[pos:m.start()])))
        sgr(m.group(1))
        pos = m.end()
    if pos < len(line):
        out.append('<span style="%s">%s</span>' % (style(), html.escape(line[pos:])))
    rows.append("".join(out))
page = """<!doctype html><meta charset="utf-8"><style>
body{margin:0;background:%s} pre{margin:0;padding:8px;font:15px/19px 'DejaVu Sans Mono',monospace;color:%s}
span{display:inline-block;height:19px;vertical-align:top;white-space:pre}
</style><pre>%s</pre>""" % (BG, FG, "\n".join(rows))
open(sys.argv[2], "w", encoding="utf-8").write(page)
PY
mkdir -p "$(dirname "$out")"
# 120 columns of DejaVu Sans Mono at 15 px are about 1086 pixels; 30 rows of
# 19, each run of one colour as tall as its row, so that colours meet.
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=1104,586 \
  --screenshot="$out" "file://$work/screen.html" >/dev/null 2>&1
echo "wrote $out"
