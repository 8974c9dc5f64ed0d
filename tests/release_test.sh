#!/usr/bin/env bash
# scripts/release.sh twice, from scratch each time and in build directories
# at different paths: the two sets of archives must be byte for byte the
# same, and hold what a user is promised.
#   bash tests/release_test.sh
# VALDORO_RELEASE_KEEP names a directory where the first release is built
# and stays, for scripts/test_windows.sh to test its Windows programs.
set -u
cd "$(dirname "$0")/.."
bash scripts/setup.sh unzip file git
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^project(valdoro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
epoch=$(git log -1 --format=%ct HEAD)
name="valdoro-$version"
zip_name="$name-windows-x86_64.zip"
tar_name="$name-linux-x86_64.tar.gz"
vsix="valdoro-scenario-$version.vsix"

# The packer of the VS Code extension is installed once for both runs; each
# run packs the extension anew.
export VALDORO_VSIX_MODULES="$work/npm"
for run in 1 2; do
  build="$work/build $run"
  [ $run -eq 1 ] && [ -n "${VALDORO_RELEASE_KEEP:-}" ] && build=$(realpath -m "$VALDORO_RELEASE_KEEP")
  if ! VALDORO_RELEASE_BUILD="$build" bash scripts/release.sh "$work/dist$run" >"$work/log$run" 2>&1; then
    echo "FAIL: release.sh run $run"; tail -n 30 "$work/log$run"; exit 1
  fi
done
for f in "$zip_name" "$tar_name" SHA256SUMS; do
  check "$f the same from both runs" 'cmp "$work/dist1/$f" "$work/dist2/$f"'
done
check "exactly the two archives and their sums" '[ "$(ls "$work/dist1" | tr "\n" " ")" = "SHA256SUMS $tar_name $zip_name " ]'
check "SHA256SUMS holds" '(cd "$work/dist1" && sha256sum --quiet -c SHA256SUMS)'

# Entries sorted, time stamps the commit's, owners 0, modes fixed.
# A zip's times count in steps of two seconds, and zip rounds an odd second
# up: at hh:mm:59 into the next minute.
when=$(TZ=UTC date -d "@$(( (epoch + 1) / 2 * 2 ))" +%Y%m%d.%H%M%S)
zip_list=$(unzip -Z -T "$work/dist1/$zip_name" | grep "^-" | awk '{print $1, $7, $8}')
check "zip entries: $zip_list" '[ "$zip_list" = "-rw-r--r-- $when $name/LEGGIMI.txt
-rw-r--r-- $when $name/LICENSE.txt
-rw-r--r-- $when $name/README.txt
-rwxr-xr-x $when $name/Valdoro.exe
-rwxr-xr-x $when $name/scenario.exe
-rw-r--r-- $when $name/$vsix" ]'
tar_when=$(TZ=UTC date -d "@$epoch" "+%Y-%m-%d %H:%M")
# Listed without --numeric-owner: a stored user or group name would show.
tar_list=$(TZ=UTC tar -tvzf "$work/dist1/$tar_name" | awk '{print $1, $2, $4, $5, $6}')
check "tar entries: $tar_list" '[ "$tar_list" = "drwxr-xr-x 0/0 $tar_when $name/
-rw-r--r-- 0/0 $tar_when $name/LICENSE
-rw-r--r-- 0/0 $tar_when $name/README.txt
-rwxr-xr-x 0/0 $tar_when $name/scenario
-rwxr-xr-x 0/0 $tar_when $name/valdoro
-rw-r--r-- 0/0 $tar_when $name/$vsix" ]'

# What is inside: the committed documents, programs that know their version.
mkdir "$work/linux" "$work/windows"
tar -xzf "$work/dist1/$tar_name" -C "$work/linux"
(cd "$work/windows" && unzip -q "$work/dist1/$zip_name")
# The players' read-me files as committed, with the version put in (their
# line ends and byte order mark are a unit test's business).
for f in README.txt LEGGIMI.txt; do
  check "$f as committed, version $version" 'git show "HEAD:docs/giocatori/$f" | sed "s/@VERSION@/$version/g" | cmp - "$work/windows/$name/$f" && grep -q "valdoro-$version-windows-x86_64.zip" "$work/windows/$name/$f" && ! grep -q @VERSION@ "$work/windows/$name/$f"'
done
check "the English read-me in both archives" 'cmp "$work/linux/$name/README.txt" "$work/windows/$name/README.txt"'
check "licence as committed" 'git show HEAD:LICENSE | cmp - "$work/linux/$name/LICENSE" && cmp "$work/linux/$name/LICENSE" "$work/windows/$name/LICENSE.txt"'
check "valdoro --version" '[ "$("$work/linux/$name/valdoro" --version)" = "valdoro $version" ]'
check "scenario --version" '[ "$("$work/linux/$name/scenario" --version)" = "scenario $version" ]'
check "Linux programs stripped and static" 'file "$work/linux/$name/valdoro" "$work/linux/$name/scenario" | grep -c "statically linked, .*stripped" | grep -qx 2'
for f in "$work/linux/$name/valdoro" "$work/linux/$name/scenario" "$work/windows/$name/Valdoro.exe" \
    "$work/windows/$name/scenario.exe"; do
  check "no build path in $(basename "$f")" '! strings -a "$f" | grep -q -e "$work" -e "$(pwd)"'
done
# The VS Code extension: one file in both archives, a zip whose entries
# are stamped with the commit's time and come in a fixed order, whose
# manifest starts the script that starts `scenario lsp` when a source of
# either kind is opened, and which carries the client library it loads
# but not the packer.  Activated as VS Code would activate it (with
# stand-ins for the editor and the client's constructor), it starts the
# configured program with "lsp" for both kinds of source.
ext="$work/linux/$name/$vsix"
check "the same extension in both archives" 'cmp "$ext" "$work/windows/$name/$vsix"'
vsix_times=$(unzip -Z -T "$ext" | grep "^-" | awk '{print $1, $7}' | sort -u)
check "extension entries 644, time $when: $vsix_times" '[ "$vsix_times" = "-rw-r--r-- $when" ]'
vsix_names=$(unzip -Z1 "$ext")
check "extension entries: manifest, content types, then by name" '[ "$(head -n 2 <<<"$vsix_names")" = "extension.vsixmanifest
[Content_Types].xml" ] && [ "$(tail -n +3 <<<"$vsix_names")" = "$(tail -n +3 <<<"$vsix_names" | LC_ALL=C sort)" ]'
for f in extension/package.json extension/extension.js extension/readme.md extension/LICENSE.txt \
    extension/node_modules/vscode-languageclient/node.js; do
  check "extension holds $f" 'grep -qxF "$f" <<<"$vsix_names"'
done
check "extension leaves the packer out" '! grep -q -e "node_modules/@vscode/vsce" -e "package-lock.json" <<<"$vsix_names"'
check "extension script as committed" 'git show HEAD:editors/vscode/extension.js | cmp - <(unzip -p "$ext" extension/extension.js)'
check "extension licence as committed" 'git show HEAD:LICENSE | cmp - <(unzip -p "$ext" extension/LICENSE.txt)'
manifest=$(unzip -p "$ext" extension/package.json | node -e '
  const m = JSON.parse(require("fs").readFileSync(0, "utf8"));
  const langs = m.contributes.languages.map((l) => l.id + " " + l.filenamePatterns.join(" "));
  console.log([m.name, m.version, m.main, m.activationEvents.join(" "), ...langs,
    Object.keys(m.contributes.configuration.properties).join(" ")].join("\n"));')
check "extension manifest: $manifest" '[ "$manifest" = "valdoro-scenario
$version
./extension.js
onLanguage:valdoro-line onLanguage:valdoro-train
valdoro-line *_linea.txt
valdoro-train *-.txt
valdoro.scenarioPath" ]'
mkdir "$work/vsix"
(cd "$work/vsix" && unzip -q "$ext")
activated=$(node tests/vscode_activate.js "$work/vsix" 2>&1)
check "extension activated with stand-ins for VS Code: $activated" '[ "$activated" = "setting valdoro.scenarioPath
client valdoro \"Valdoro scenario\"
run /opt/valdoro/scenario lsp
debug /opt/valdoro/scenario lsp
serves file valdoro-line
serves file valdoro-train
serves untitled valdoro-line
serves untitled valdoro-train
started
subscriptions 1
stopped" ]'
check "extension version in its VS Code manifest" 'unzip -p "$ext" extension.vsixmanifest | grep -qF "Id=\"valdoro-scenario\" Version=\"$version\" Publisher=\"valdoro\""'
check "Windows programs are PE32+ for x86-64" 'file "$work/windows/$name/Valdoro.exe" "$work/windows/$name/scenario.exe" | grep -c "PE32+ executable (.*) x86-64" | grep -qx 2'

[ $fail -eq 0 ] && echo "release test passed"
exit $fail
