#!/usr/bin/env bash
# Packs the VS Code extension of editors/vscode into OUT_FILE (a .vsix),
# the same bytes every time from the same tree and time stamp.
#   bash scripts/vsix.sh OUT_FILE
# The packer, npm's @vscode/vsce, comes from the committed lock file (npm
# ci, from npm's cache when it holds the packages).  vsce stamps each entry
# with the time of packing and the mode of the checked-out file, so its
# package is unpacked and zipped again: entries in a fixed order, every
# time stamp SOURCE_DATE_EPOCH (default: the last commit's), modes 644,
# no owners.  VALDORO_VSIX_BUILD names the work folder (default
# build-vsix/); it is emptied first.  VALDORO_VSIX_MODULES names a folder
# where npm ci installs the packages once for each lock file, for later
# packs to copy (tests/release_test.sh packs twice); without it every pack
# installs them afresh.  Either way the package is packed anew.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh zip unzip
# Node.js and npm come with the machine; Debian's are the fallback.
command -v npm >/dev/null || bash scripts/setup.sh nodejs npm
[ $# -eq 1 ] || { echo "usage: bash scripts/vsix.sh OUT_FILE" >&2; exit 2; }
out=$(realpath -m "$1")
work=$(realpath -m "${VALDORO_VSIX_BUILD:-build-vsix}")
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct HEAD)}

rm -rf "$work"
mkdir -p "$work/pacco" "$work/zip" "$(dirname "$out")"
cp editors/vscode/package.json editors/vscode/package-lock.json editors/vscode/extension.js \
  editors/vscode/README.md editors/vscode/.vscodeignore "$work/pacco/"
cp LICENSE "$work/pacco/LICENSE"
# No install scripts: packing needs none, and none of the packages' code
# runs but the packer's own.
installa() { (cd "$1" && npm ci --prefer-offline --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null); }
if [ -n "${VALDORO_VSIX_MODULES:-}" ]; then
  # Unpacking the packer's some hundred packages costs more than the rest
  # of the pack; a copy of the same lock file's install is the same files.
  moduli="$(realpath -m "$VALDORO_VSIX_MODULES")/$(sha256sum editors/vscode/package-lock.json | cut -c1-16)"
  if [ ! -d "$moduli/node_modules" ]; then
    rm -rf "$moduli.nuovo"
    mkdir -p "$moduli.nuovo"
    cp editors/vscode/package.json editors/vscode/package-lock.json "$moduli.nuovo/"
    installa "$moduli.nuovo"
    rm -rf "$moduli"
    mv "$moduli.nuovo" "$moduli"
  fi
  cp -a "$moduli/node_modules" "$work/pacco/"
else
  installa "$work/pacco"
fi
(cd "$work/pacco" && npx --no-install vsce package --allow-missing-repository --out "$work/vsce.vsix" >"$work/vsce.log" 2>&1) ||
  { cat "$work/vsce.log" >&2; exit 1; }

(cd "$work/zip" && unzip -q "$work/vsce.vsix")
find "$work/zip" -type d -exec chmod 755 {} +
find "$work/zip" -type f -exec chmod 644 {} +
find "$work/zip" -exec touch -h -d "@$epoch" {} +
rm -f "$out"
# The manifest and the content types first, where vsce puts them; then the
# extension's files by name.  zip stores local time: UTC, so the host's
# zone does not enter the file; -X leaves out owners and the extra time
# fields, -nw takes "[Content_Types].xml" as a name, not a pattern.
(cd "$work/zip" && { printf '%s\n' extension.vsixmanifest '[Content_Types].xml'
  find extension -type f | LC_ALL=C sort; } | TZ=UTC zip -X -nw -q -9 "$out" -@)
