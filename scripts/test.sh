#!/usr/bin/env bash
# Builds and runs every test, in the default preset and under ASan+UBSan;
# then the tests of threads, semaphores and run loops under ThreadSanitizer
# (the tsan presets build and run only those).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in default asan tsan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset"
done
