#!/usr/bin/env bash
# Builds valdoro and runs it.  The program writes its files next to itself:
# build/valdoro leaves them in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake make
cmake -S . -B build -DVALDORO_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target valdoro
./build/valdoro
