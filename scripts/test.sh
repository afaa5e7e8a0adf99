#!/usr/bin/env bash
# Builds and runs every test, in the default preset and under ASan+UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in default asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset"
done
