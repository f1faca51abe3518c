#!/usr/bin/env bash
# screenshots.sh OUTDIR [ACP]: starts Tapvero.exe on a private display and
# saves a picture of the window with each of its three pages selected, and
# of the chart window over a made-up history of 40 runs (chart-acpN.png).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1 acp=${2:-936}
mkdir -p "$out"
export TAPVERO_WINE_ROOT=${TAPVERO_WINE_ROOT:-$here/../build/wine} TAPVERO_ACP=$acp
xdir=$(mktemp -d)
"$here/xvfb.sh" start "$xdir"
export DISPLAY=$(cat "$xdir/display")
work=$(mktemp -d)
cp "$here/../build/windows/Tapvero.exe" "$work/"
# The history the chart shows, made by the chart's benchmark.
(cd "$work" && "$here/wine-run.sh" "$here/../build/windows/bench/chart_open_bench.exe" --write History.csv 40)
cleanup() {
  WINEPREFIX=$TAPVERO_WINE_ROOT/prefix-$acp wineserver -k 2>/dev/null || true
  "$here/xvfb.sh" stop "$xdir"
  rm -rf "$work" "$xdir"
}
trap cleanup EXIT
(cd "$work" && "$here/wine-run.sh" Tapvero.exe &)
# The window whose title matches $1, once it shows (within 30 s).
shown_window() {
  local found
  for _ in $(seq 1 150); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) && [ -n "$found" ] && break
    sleep 0.2
  done
  [ -n "$found" ] || { echo "screenshots.sh: no window $1" >&2; exit 1; }
  echo "$found"
}
window=$(shown_window '^Tapvero v1\.2$')
# Without Wine's Marlett font the caption buttons show plain letters (the
# close box an "r"): no pictures then (scripts/bootstrap.sh installs
# fonts-wine, tools/wine-run.sh puts the font in the prefix).
[ -e "$TAPVERO_WINE_ROOT/prefix-$acp/drive_c/windows/Fonts/marlett.ttf" ] || {
  echo "screenshots.sh: the Wine prefix lacks marlett.ttf (is fonts-wine installed?)" >&2
  exit 1
}
eval "$(xdotool getwindowgeometry --shell "$window")"
# The tabs' middles: the strip starts at (8, 8) in the client area, which
# lies below the title bar Wine draws.
for page in 0 1 2; do
  xdotool mousemove $((X + 3 + 8 + 32 + page * 60)) $((Y + 25 + 8 + 10)) click 1
  # The pointer off the window, so that no tab's hint covers the page.
  xdotool mousemove 0 0
  sleep 1
  import -window root -crop 680x400+$((X - 5))+$((Y - 25)) "$out/page$page-acp$acp.png"
done
# The chart window, opened from the system menu with the keyboard.
xdotool windowfocus "$window"
xdotool key alt+space
sleep 1
xdotool key g
chart=$(shown_window '^Tapvero 成绩图表$')
sleep 1
eval "$(xdotool getwindowgeometry --shell "$chart")"
import -window root -crop $((WIDTH + 10))x$((HEIGHT + 30))+$((X - 5))+$((Y - 25)) "$out/chart-acp$acp.png"
