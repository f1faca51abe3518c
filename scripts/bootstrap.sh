#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build, the program and its
# tests need and this machine lacks. Idempotent: with everything present it
# only checks and prints nothing but a one-line summary.
set -euo pipefail

packages=(
  # native build and tests
  build-essential cmake ninja-build g++ clang llvm libclang-rt-14-dev
  googletest libbenchmark-dev
  # the XTest robot of the benchmarks (native, pressing through the X server
  # and hearing the server's time of each press)
  libx11-dev libxtst-dev libxi-dev
  # Windows build
  g++-mingw-w64-x86-64
  # running the Windows build (fonts-wine: Wine's own fonts, Marlett among
  # them, which draws the caption buttons; only recommended by wine)
  wine wine64 fonts-wine xvfb xdotool imagemagick fonts-wqy-microhei locales
  # the program icon (drawn at build time) and the packaged download
  librsvg2-bin zip unzip
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "bootstrap: all ${#packages[@]} packages present"
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "bootstrap: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q "${missing[@]}"
