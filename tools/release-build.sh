#!/usr/bin/env bash
# release-build.sh SOURCE BUILD: configures SOURCE for Windows in Release in
# the folder BUILD (tests left out) and builds Tapvero.exe there.
set -euo pipefail
src=$1 build=$2
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" >"$build.configure.log" 2>&1 ||
  { cat "$build.configure.log" >&2; exit 1; }
cmake --build "$build" --target Tapvero -j "$(nproc)" >"$build.build.log" 2>&1 ||
  { cat "$build.build.log" >&2; exit 1; }
