#!/usr/bin/env bash
# Builds valdoro and runs it.  The program writes its files next to itself:
# build/valdoro leaves them in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake ninja-build
# Ninja for a build directory made now; one made earlier keeps its own.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
cmake -S . -B build -DVALDORO_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target valdoro
./build/valdoro
