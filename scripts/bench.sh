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
# The Windows-only figures, under Wine, once the Windows build is configured.
if [ -f build/windows/build.ninja ]; then
  cmake --build build/windows --target precise_wait_bench
  echo "==== precise_wait_bench (Wine)"
  TAPVERO_WINE_ROOT=$PWD/build/windows/wine tools/wine-run.sh build/windows/bench/precise_wait_bench.exe
fi
