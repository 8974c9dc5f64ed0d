#!/usr/bin/env bash
# Records the SHA-256 sums of the six files the packager writes in
# tests/scenario.sha256, the change detector of tests/scenario_bytes_test.sh.
# Run it only for a change of the scenario's files that is meant, after
# reviewing the new files (scenario dump, scenario draw); the commit then
# shows the change of the sums beside the change that made it.
#   bash scripts/update_scenario_sums.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake ninja-build
# Ninja for a build directory made now; one made earlier keeps its own.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target valdoro
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp build/valdoro "$work/"
"$work/valdoro" 2>/dev/null
(cd "$work" && sha256sum Valdoro*) >tests/scenario.sha256
git diff --stat tests/scenario.sha256 || true
