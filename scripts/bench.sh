#!/usr/bin/env bash
# Builds the native benchmarks and runs them all, printing their figures;
# then, once the Windows build is configured, the Windows ones under Wine
# against build/windows/Tapvero.exe, or the program TAPVERO_EXE names.
set -euo pipefail
# The program to measure, as an absolute path (Wine sees it through Z:).
if [ -n "${TAPVERO_EXE:-}" ]; then TAPVERO_EXE=$(realpath "$TAPVERO_EXE"); fi
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
  cmake --build build/windows --target precise_wait_bench chart_open_bench
  echo "==== precise_wait_bench (Wine)"
  TAPVERO_WINE_ROOT=$PWD/build/windows/wine tools/wine-run.sh build/windows/bench/precise_wait_bench.exe
  echo "==== chart_open_bench (Wine)"
  TAPVERO_WINE_ROOT=$PWD/build/windows/wine tools/wine-run.sh build/windows/bench/chart_open_bench.exe

  # The benchmarks against the real program (TAPVERO_EXE may name another
  # build of it), on a private display. Others may be building on this
  # machine: the load is printed with each.
  cmake --build build/windows --target speed_robot_bench lock_delay_bench background_cost_bench
  display_dir=build/windows/xvfb-bench
  tools/xvfb.sh start "$display_dir"
  export TAPVERO_WINE_ROOT=$PWD/build/windows/wine TAPVERO_DISPLAY_FILE=$PWD/$display_dir/display
  export TAPVERO_EXE=${TAPVERO_EXE:-$PWD/build/windows/Tapvero.exe}
  # The robot presses through the X server too, from this native program.
  export TAPVERO_XTEST_ROBOT=$PWD/build/native/bench/xtest_robot
  echo "==== lock_delay_bench (Wine), load: $(uptime)"
  tools/wine-run.sh build/windows/bench/lock_delay_bench.exe

  # What Tapvero costs behind a game that gets the mouse and keys, which
  # this native program moves and presses through the X server.
  echo "==== background_cost_bench (Wine), load: $(uptime)"
  TAPVERO_XTEST_MOUSE_KEYS=$PWD/build/native/bench/xtest_mouse_keys \
    tools/wine-run.sh build/windows/bench/background_cost_bench.exe

  # The robot player: once as it is, once with a second program keeping one
  # core busy.
  echo "==== speed_robot_bench (Wine), load: $(uptime)"
  tools/wine-run.sh build/windows/bench/speed_robot_bench.exe idle
  sh -c 'while :; do :; done' &
  busy=$!
  tools/wine-run.sh build/windows/bench/speed_robot_bench.exe one-core-busy || true
  kill "$busy"
  tools/xvfb.sh stop "$display_dir"
fi
