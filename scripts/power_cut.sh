#!/usr/bin/env bash
# Builds the program and the power-cut helper, then cuts the power in the
# middle of CUTS runs (2000 unless given); see tests/power_cut_test.sh.
#   bash scripts/power_cut.sh [CUTS]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake ninja-build libgtest-dev e2fsprogs
# Ninja for a build directory made now; one made earlier keeps its own.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target valdoro spegni -j"$(nproc)"
exec bash tests/power_cut_test.sh "$PWD/build/valdoro" "$PWD/build/spegni" "${1:-2000}"
