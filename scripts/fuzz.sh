#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for SECONDS (default 60)
# on a copy of its seed corpus, so the tree's seeds never change. Prints the
# executions of each target and the total; exits non-zero when a target
# finds a crash, a leak or a timeout (the input is kept under
# build/fuzz/findings/<target>/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
total=0
failed=()
for exe in build/fuzz/fuzz/*_fuzz; do
  target=$(basename "$exe")
  name=${target%_fuzz}
  mkdir -p "$work/$name" "build/fuzz/findings/$target"
  [ -d "fuzz/corpus/$name" ] && cp -R "fuzz/corpus/$name/." "$work/$name/"
  status=0
  "$exe" "$work/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/findings/$target/" >"$work/$target.log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -1)
  runs=${runs:-0}
  total=$((total + runs))
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    printf '%-28s %12s executions  FAILED (exit %s)\n' "$target" "$runs" "$status"
    grep -E 'ERROR|SUMMARY|artifact' "$work/$target.log" | head -20 || true
  else
    printf '%-28s %12s executions\n' "$target" "$runs"
  fi
done
printf '%-28s %12s executions in %s s per target\n' "total" "$total" "$seconds"
[ ${#failed[@]} -eq 0 ] || { echo "findings: ${failed[*]}"; exit 1; }
