#!/usr/bin/env bash
# Cross-builds Valdoro.exe and scenario.exe with mingw-w64 into
# build-windows/ and tests them under wine on a virtual X display: their
# resources; same files, byte for byte, and same exit status as the Linux
# build (build/valdoro, build/scenario); the window, on a slow disk too, the
# message boxes and the file layer on a non-ASCII directory; the page that
# scenario.exe view serves, in Linux's headless Chromium.
#   bash scripts/test_windows.sh
# VALDORO_BUILD_LINUX names another Linux build directory than build/;
# VALDORO_BUILD_WINDOWS another Windows one than build-windows/, such as the
# windows/ folder of a release's build directory (tests/release_test.sh
# leaves one): its programs are tested as they were built for the release,
# beside the test programs built in the same tree.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake ninja-build g++-mingw-w64-x86-64 wine wine64 xvfb xauth icoutils libcli11-dev nlohmann-json3-dev \
  libboost-dev chromium chromium-driver python3-selenium
# Ninja for a build directory made now; one made earlier keeps its own.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
jobs=$(nproc)
linux="${VALDORO_BUILD_LINUX:-build}"

cmake -S . -B "$linux" >/dev/null
cmake --build "$linux" -j"$jobs" --target valdoro scenario

windows="${VALDORO_BUILD_WINDOWS:-build-windows}"
if [ -f "$windows/CMakeCache.txt" ]; then
  # The test programs join the tree; what is built already stays as it is.
  cmake -DVALDORO_TESTS=ON "$windows" >/dev/null
else
  cmake -S . -B "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null
fi
cmake --build "$windows" -j"$jobs"

version=$(sed -n 's/^project(valdoro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
xvfb-run -a bash tests/windows/prove_wine.sh "$windows" "$linux/valdoro" "$version" "$linux/scenario"
