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

  # The robot player against the real program (TAPVERO_EXE may name another
  # build of it), on a private display: once as it is, once with a second
  # program keeping one core busy.
  cmake --build build/windows --target speed_robot_bench
  echo "==== speed_robot_bench (Wine)"
  display_dir=build/windows/xvfb-bench
  tools/xvfb.sh start "$display_dir"
  export TAPVERO_WINE_ROOT=$PWD/build/windows/wine TAPVERO_DISPLAY_FILE=$PWD/$display_dir/display
  export TAPVERO_EXE=${TAPVERO_EXE:-$PWD/build/windows/Tapvero.exe}
  tools/wine-run.sh build/windows/bench/speed_robot_bench.exe idle
  sh -c 'while :; do :; done' &
  busy=$!
  tools/wine-run.sh build/windows/bench/speed_robot_bench.exe one-core-busy || true
  kill "$busy"
  tools/xvfb.sh stop "$display_dir"
fi
