#!/usr/bin/env bash
# The tree follows its .clang-format: every C++ file as clang-format would
# write it.
#   bash tests/format_test.sh CLANG_FORMAT
set -u
clang_format=$1
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cc' '*.h')
if ! "$clang_format" --dry-run --Werror "${files[@]}" 2>"${TMPDIR:-/tmp}/format_test.$$"; then
  grep -E '^[^ ].*: error:' "${TMPDIR:-/tmp}/format_test.$$" | sed 's/: error:.*//' | sort -u | head -20
  rm -f "${TMPDIR:-/tmp}/format_test.$$"
  echo "FAIL: files above differ from clang-format's; run: git ls-files '*.cc' '*.h' | xargs $clang_format -i"
  exit 1
fi
rm -f "${TMPDIR:-/tmp}/format_test.$$"
echo "format test passed (${#files[@]} files)"
