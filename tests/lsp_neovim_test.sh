#!/usr/bin/env bash
# `scenario lsp` in a real editor: headless Neovim, whose built-in client
# speaks the protocol, set up by editors/neovim/scenario.lua as the
# authors' guide shows it, on our two sources as `scenario init` writes
# them (tests/lsp_neovim.lua says what an author does there).  Without nvim the
# test fails and says so, rather than passing unseen; scripts/test.sh
# installs Debian's neovim.
#   bash tests/lsp_neovim_test.sh SCENARIO
set -u
scenario=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
setup="$here/../editors/neovim/scenario.lua"
if ! command -v nvim >/dev/null; then
  echo "FAIL: nvim not found (Debian's neovim package)"; exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$scenario" init "$work/sorgenti" >/dev/null || { echo "FAIL: scenario init"; exit 1; }
fail=0
# The guide shows the set-up file whole.
if ! /usr/bin/python3 -c 'import sys; sys.exit(open(sys.argv[1]).read() not in open(sys.argv[2]).read())' \
    "$setup" "$here/../docs/authors.md"; then
  echo "FAIL: docs/authors.md does not show editors/neovim/scenario.lua as it is"; fail=1
fi
# What `scenario check` tells of the pair, as "FILE LINE:COL LEVEL RULE
# MESSAGE" lines: the editor must show the same for each source.
(cd "$work/sorgenti" && "$scenario" check Valdoro_linea.txt "Valdoro_Dir 5802-.txt" --diagnostics-format=sarif) |
  /usr/bin/python3 -c '
import json, sys
for r in json.load(sys.stdin)["runs"][0]["results"]:
    p = r["locations"][0]["physicalLocation"]
    print(p["artifactLocation"]["uri"].rsplit("/", 1)[1].replace("%20", " "), "%d:%d" % (p["region"]["startLine"],
          p["region"]["startColumn"]), r["level"], r["ruleId"], r["message"]["text"])' >"$work/check"
[ -s "$work/check" ] || { echo "FAIL: scenario check told nothing of our sources"; fail=1; }
# The set-up finds `scenario` on the PATH, as an author's would.
mkdir -p "$work/bin"
ln -s "$scenario" "$work/bin/scenario"
# The editor keeps its state, swap files and logs inside the test's folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state" \
  XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME"
# A bound on the whole editor, so that a server that never answers cannot
# hang the test; the script's own waits end well before it.
PATH="$work/bin:$PATH" SETUP="$setup" SOURCES="$work/sorgenti" CHECK="$work/check" REPORT="$work/report" \
  timeout 300 nvim --headless --clean -n -i NONE -c "luafile $here/lsp_neovim.lua" </dev/null >"$work/nvim.out" 2>&1
status=$?
cat "$work/report" 2>/dev/null
if [ $status -ne 0 ] || [ "$(tail -n 1 "$work/report" 2>/dev/null)" != done ]; then
  echo "FAIL: nvim ended with status $status before the script was done"; cat "$work/nvim.out"; fail=1
fi
grep -q "^FAIL" "$work/report" 2>/dev/null && fail=1
[ $fail -eq 0 ] && echo "neovim test passed"
exit $fail
