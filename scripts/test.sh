#!/usr/bin/env bash
# Builds and runs every test, in the default preset and under ASan+UBSan;
# then the tests of threads, semaphores and run loops under ThreadSanitizer
# (the tsan presets build and run only those); then builds the device
# package and runs its checks.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in default asan tsan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset"
done
# The device build: the fat .dylib (armv7 and arm64, signed), the package and their checks.
cmake --preset device
cmake --build --preset device -j"$jobs"
ctest --preset device
