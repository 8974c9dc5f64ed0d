#!/usr/bin/env bash
# Builds the release from the committed tree (HEAD, exported with git
# archive: uncommitted changes never reach it) and writes into OUT_DIR
# (default dist/):
#   valdoro-VERSION-windows-x86_64.zip   Valdoro.exe, scenario.exe, README.txt, LEGGIMI.txt,
#                                        LICENSE.txt, valdoro-scenario-VERSION.vsix
#   valdoro-VERSION-linux-x86_64.tar.gz  valdoro, scenario, README.txt, LICENSE,
#                                        valdoro-scenario-VERSION.vsix
#   SHA256SUMS
# The .vsix is the VS Code extension that starts `scenario lsp`
# (scripts/vsix.sh), the same file in both.
# README.txt and LEGGIMI.txt are the players' read-me files of
# docs/giocatori/, with the version put in; the developers' README.md stays
# out of both archives: a player reads README.txt, on Linux too.
# Each archive holds one folder, valdoro-VERSION.  The same commit gives the
# same bytes: every time stamp is the commit's, entries are sorted, owners
# are 0 and no user or host name is stored.
#   bash scripts/release.sh [OUT_DIR]
# VALDORO_RELEASE_BUILD names the build directory (default build-release/);
# it is emptied first, so every release is built from scratch.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake ninja-build g++-mingw-w64-x86-64 libcli11-dev nlohmann-json3-dev zip
# Ninja for a build directory made now; one made earlier keeps its own.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
root=$(pwd)
out=$(realpath -m "${1:-dist}")
build=$(realpath -m "${VALDORO_RELEASE_BUILD:-build-release}")
jobs=$(nproc)

version=$(sed -n 's/^project(valdoro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
commit=$(git rev-parse HEAD)
epoch=$(git log -1 --format=%ct HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release.sh: uncommitted changes are left out: the release is built from $commit" >&2
fi
echo "valdoro $version from $commit"

rm -rf "$build"
mkdir -p "$build/src" "$out"
git archive --format=tar "$commit" | tar -x -C "$build/src"

cmake -S "$build/src" -B "$build/linux" -DCMAKE_BUILD_TYPE=Release -DVALDORO_TESTS=OFF >/dev/null
cmake --build "$build/linux" -j"$jobs" --target valdoro scenario
cmake -S "$build/src" -B "$build/windows" -DCMAKE_TOOLCHAIN_FILE="$build/src/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVALDORO_TESTS=OFF >/dev/null
cmake --build "$build/windows" -j"$jobs" --target Valdoro scenario

# The extension, packed from the exported tree and stamped with the commit's time.
vsix="valdoro-scenario-$version.vsix"
SOURCE_DATE_EPOCH=$epoch VALDORO_VSIX_BUILD="$build/vscode" bash "$build/src/scripts/vsix.sh" "$build/$vsix"

name="valdoro-$version"
mkdir -p "$build/leggimi"
for f in README.txt LEGGIMI.txt; do
  sed "s/@VERSION@/$version/g" "$build/src/docs/giocatori/$f" >"$build/leggimi/$f"
done
stage() {  # folder, then pairs of source and name inside the archive
  local dir="$build/$1/$name"
  shift
  mkdir -p "$dir"
  while [ $# -gt 0 ]; do cp "$1" "$dir/$2"; shift 2; done
  chmod 755 "$dir"
  find "$dir" -type f \( -name '*.exe' -o -name valdoro -o -name scenario \) -exec chmod 755 {} +
  find "$dir" -type f ! -perm 755 -exec chmod 644 {} +
  find "$dir" -exec touch -h -d "@$epoch" {} +
}
stage pacco-windows "$build/windows/Valdoro.exe" Valdoro.exe "$build/windows/scenario.exe" scenario.exe \
  "$build/leggimi/README.txt" README.txt "$build/leggimi/LEGGIMI.txt" LEGGIMI.txt "$build/src/LICENSE" LICENSE.txt "$build/$vsix" "$vsix"
stage pacco-linux "$build/linux/valdoro" valdoro "$build/linux/scenario" scenario \
  "$build/leggimi/README.txt" README.txt "$build/src/LICENSE" LICENSE "$build/$vsix" "$vsix"

zip_name="$name-windows-x86_64.zip"
tar_name="$name-linux-x86_64.tar.gz"
rm -f "$out/$zip_name" "$out/$tar_name" "$out/SHA256SUMS"
# zip stores local time: UTC, so the host's zone does not enter the file.
# -X leaves out owners and the extra time fields.
(cd "$build/pacco-windows" && find "$name" -type f | LC_ALL=C sort | TZ=UTC zip -X -q -9 "$out/$zip_name" -@)
(cd "$build/pacco-linux" &&
  tar --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --format=gnu -cf - "$name" |
  gzip -9 -n >"$out/$tar_name")
(cd "$out" && sha256sum "$tar_name" "$zip_name" >SHA256SUMS)
cat "$out/SHA256SUMS"
