#!/usr/bin/env bash
# Builds Tapvero for Windows and starts it under Wine. With a display (DISPLAY
# set) the window opens there; without one it opens on a private Xvfb
# display, a screenshot of it is saved to build/screenshot.png, and the
# program is closed again.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/bootstrap.sh
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows --target Tapvero

export TAPVERO_WINE_ROOT=$PWD/build/wine
exe=$PWD/build/windows/Tapvero.exe

if [ -n "${DISPLAY:-}" ]; then
  exec tools/wine-run.sh "$exe"
fi

tools/xvfb.sh start build/xvfb-run
trap 'tools/xvfb.sh stop build/xvfb-run' EXIT
DISPLAY=$(cat build/xvfb-run/display)
export DISPLAY
tools/wine-run.sh "$exe" &
for _ in $(seq 1 150); do
  if xdotool search --name '^Tapvero v1\.2$' >/dev/null 2>&1; then break; fi
  sleep 0.2
done
window=$(xdotool search --name '^Tapvero v1\.2$' | head -n1)
if [ -z "$window" ]; then
  echo "run.sh: the window did not appear" >&2
  exit 1
fi
sleep 1  # let the first paint finish
import -window root build/screenshot.png
echo "Tapvero ran on $DISPLAY; screenshot saved to build/screenshot.png"
TAPVERO_ACP=936 WINEPREFIX=$TAPVERO_WINE_ROOT/prefix-936 wineserver -k 2>/dev/null || true
