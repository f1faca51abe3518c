#!/usr/bin/env bash
# Builds the native benchmarks and runs them all, printing their figures.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/bootstrap.sh
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAPVERO_BENCH=ON >/dev/null
cmake --build build/native
for b in build/native/bench/*_bench; do
  echo "==== $(basename "$b")"
  "$b" "$@"
done
