#!/usr/bin/env bash
# Builds and runs every test: a plain build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake make libgtest-dev libcli11-dev nlohmann-json3-dev chromium strace e2fsprogs \
  libboost-dev chromium-driver python3-selenium
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
# File faults on a real file system: a full tmpfs, a read-only directory.
tool=build/scenario; [ -x "$tool" ] || tool=
bash tests/faults_test.sh build/valdoro $tool

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVALDORO_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
(cd build-asan && ctest --output-on-failure -j"$jobs")

bash scripts/test_windows.sh

# The release archives, built twice from scratch: the same bytes.
bash tests/release_test.sh

# The compiler under libFuzzer for a minute.
bash scripts/fuzz.sh 60
