#!/usr/bin/env bash
# Builds and runs every test: a plain build, then the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh g++ cmake ninja-build libgtest-dev libcli11-dev nlohmann-json3-dev chromium strace gdb e2fsprogs \
  libboost-dev chromium-driver python3-selenium neovim
# Ninja for a build directory made now; one made earlier keeps its own.
export CMAKE_GENERATOR="${CMAKE_GENERATOR:-Ninja}"
jobs=$(nproc)
# Each stage's time, so that a slow one shows in CI's log.
stage() { echo "== $1: $((SECONDS - stage_start)) s" >&2; stage_start=$SECONDS; }
stage_start=$SECONDS

# Line tables only (-g1): a stack trace, a sanitizer's report and gdb keep
# every function, file and line; the full debugging information took a
# third of the plain build's processor time and a seventh of the
# sanitizers'.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
  -DVALDORO_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
stage "plain build"
(cd build && ctest --output-on-failure --no-tests=error -j"$jobs")
# File faults on a real file system: a full tmpfs, a read-only directory.
tool=build/scenario; [ -x "$tool" ] || tool=
bash tests/faults_test.sh build/valdoro $tool
stage "plain tests"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DVALDORO_SANITIZE=ON \
  -DVALDORO_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
stage "sanitizer build"
(cd build-asan && ctest --output-on-failure --no-tests=error -j"$jobs")
stage "sanitizer tests"

# The release archives, built twice from scratch: the same bytes.  The
# first build stays, and the wine tests run its Windows programs.  Both are
# built from the commit (HEAD): uncommitted changes never reach them.
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "test.sh: uncommitted changes: the release and wine tests run the commit $(git rev-parse --short HEAD)" >&2
rm -rf build-release-test
VALDORO_RELEASE_KEEP=build-release-test bash tests/release_test.sh
stage "release archives"

VALDORO_BUILD_WINDOWS=build-release-test/windows bash scripts/test_windows.sh
stage "wine tests"

# The compiler under libFuzzer for a minute.
bash scripts/fuzz.sh 60
stage "fuzzers"
