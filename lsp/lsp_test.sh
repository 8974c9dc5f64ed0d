#!/usr/bin/env bash
# `scenario lsp` as a process on its two pipes: a scripted session answered
# in full, garbage between messages passed over, a client that closes its
# end without exit (status 1) and one that has stopped reading (no death by
# SIGPIPE); nothing written in the folder of the sources it checks.
# Usage: lsp_test.sh SCENARIO_BINARY
set -u
scenario=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

"$scenario" init "$work/src" >/dev/null
ls "$work/src" >"$work/before"

# One message: its header, a blank line, its body.
msg() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
open_json() {
  # The line source as a JSON string, its first "pendenza" mistyped.
  /usr/bin/python3 -c 'import json,sys; t=open(sys.argv[1],encoding="cp1252",newline="").read().replace("\npendenza,","\npendanza,",1); print(json.dumps(t))' "$1"
}
uri="file://$work/src/Valdoro_linea.txt"
text=$(open_json "$work/src/Valdoro_linea.txt")
{
  msg '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
  msg '{"jsonrpc":"2.0","method":"initialized","params":{}}'
  printf 'this is no header\r\n\r\n{"jsonrpc":"2.0"}'
  msg "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/didOpen\",\"params\":{\"textDocument\":{\"uri\":\"$uri\",\"languageId\":\"scenario\",\"version\":1,\"text\":$text}}}"
  msg '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
  msg '{"jsonrpc":"2.0","method":"exit"}'
} >"$work/in"
"$scenario" lsp <"$work/in" >"$work/out" 2>"$work/err"
status=$?
check "a session with shutdown and exit ends with 0 (got $status)" '[ "$status" -eq 0 ]'
check "initialize is answered" 'grep -q "\"id\":1,\"jsonrpc\":\"2.0\",\"result\":{\"capabilities\"" "$work/out"'
check "the garbage is answered as such" 'grep -q "a header line that is not" "$work/out"'
check "the mistake is published" 'grep -q "unknown keyword \\\\\"pendanza\\\\\" in \[pendenze\]: the record is lost; did you mean \\\\\"pendenza\\\\\"?" "$work/out"'
check "shutdown is answered" 'grep -q "\"id\":2,\"jsonrpc\":\"2.0\",\"result\":null" "$work/out"'
check "nothing on standard error" '[ ! -s "$work/err" ]'
ls "$work/src" >"$work/after"
check "the sources' folder is as it was" 'cmp -s "$work/before" "$work/after"'

# The client closes its end without exit.
msg '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{}}' | "$scenario" lsp >/dev/null 2>&1
status=$?
check "a client gone without exit ends with 1 (got $status)" '[ "$status" -eq 1 ]'

# A client that no longer reads: the answers fail to be written, the
# server ends by itself instead of by the signal.
{ msg '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{}}'; sleep 1; msg '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'; } |
  { "$scenario" lsp; echo $? >"$work/status"; } | true
status=$(cat "$work/status")
check "a reader gone is no SIGPIPE (got $status)" '[ "$status" -lt 128 ]'

exit $fail
