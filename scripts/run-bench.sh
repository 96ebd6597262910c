#!/usr/bin/env bash
# Runs every benchmark program of a build folder.
set -euo pipefail
BUILD_DIR=${1:-build}
found=0
for b in "$BUILD_DIR"/bench/hinoki_bench_*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b" --benchmark_min_time=0.2
done
[ "$found" -eq 1 ] || echo "run-bench: no benchmark programs in $BUILD_DIR/bench"
