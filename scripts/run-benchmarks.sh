#!/usr/bin/env bash
# Runs every benchmark program built into the given build folder. bench_desktop also
# measures the build named by LUMETRA_OLD_BINARY, when set, beside this one.
set -euo pipefail
build=${1:-build}
status=0
found=0
for b in "$build"/bench/bench_*; do
  # Only programs: CMake leaves bench_*_autogen folders beside them.
  [ -f "$b" ] && [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true || status=1
done
if [ "$found" -eq 0 ]; then
  echo "run-benchmarks: no benchmark programs in $build/bench" >&2
  exit 1
fi
exit $status
