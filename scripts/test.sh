#!/usr/bin/env bash
# Builds everything and runs every test: the portable code natively (plain,
# and with AddressSanitizer + UndefinedBehaviorSanitizer and the fuzzers),
# then the Windows build and its tests under Wine with code pages 936 and
# 1252, and last the download, made twice and checked. Installs what is
# missing first. Exits non-zero if anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/bootstrap.sh

jobs=$(nproc)
fuzz_seconds=${TAPVERO_FUZZ_SECONDS:-30}
status=0

step() { printf '\n==== %s\n' "$*"; }

step "native build (g++)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAPVERO_BENCH=ON >/dev/null
cmake --build build/native -j "$jobs"
step "native tests"
ctest --test-dir build/native -j "$jobs" --output-on-failure || status=1

step "sanitizer and fuzzer build (clang)"
cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTAPVERO_SANITIZE=ON -DTAPVERO_FUZZ=ON -DTAPVERO_FUZZ_SECONDS="$fuzz_seconds" >/dev/null
cmake --build build/sanitize -j "$jobs"
step "sanitizer tests and fuzzers (${fuzz_seconds} s each)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/sanitize -j "$jobs" --output-on-failure || status=1

step "Windows build (MinGW-w64)"
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows -j "$jobs"
step "Windows tests under Wine"
ctest --test-dir build/windows -j "$jobs" --output-on-failure || status=1

# The download as scripts/package.sh makes it, with all its checks, twice
# from copies in other folders: the same bytes both times.
step "the download: Release build, zip, checks, reproducible"
tools/reproducible-build.sh || status=1

if [ "$status" -eq 0 ]; then step "all tests passed"; else step "SOME TESTS FAILED"; fi
exit "$status"
