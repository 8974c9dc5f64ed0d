#!/usr/bin/env bash
# Builds the program and the power-cut helper, then cuts the power in the
# middle of CUTS runs (2000 unless given); see tests/power_cut_test.sh.
#   bash scripts/power_cut.sh [CUTS]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake make libgtest-dev e2fsprogs
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target valdoro spegni -j"$(nproc)"
exec bash tests/power_cut_test.sh "$PWD/build/valdoro" "$PWD/build/spegni" "${1:-2000}"
