#!/usr/bin/env bash
# xvfb.sh start|stop DIR: a private X display for UI tests. `start` writes
# the display name to DIR/display and the server's pid to DIR/pid.
set -euo pipefail
cmd=$1 dir=$2
mkdir -p "$dir"
case "$cmd" in
  start)
    if [ -s "$dir/pid" ] && kill -0 "$(cat "$dir/pid")" 2>/dev/null; then exit 0; fi
    rm -f "$dir/display" "$dir/pid" "$dir/fd"
    exec 3>"$dir/fd"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/pid"
    for _ in $(seq 1 200); do
      if [ -s "$dir/fd" ]; then
        echo ":$(head -n1 "$dir/fd" | tr -d '[:space:]')" >"$dir/display"
        exit 0
      fi
      sleep 0.05
    done
    echo "xvfb.sh: Xvfb did not start" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
    ;;
  stop)
    if [ -s "$dir/pid" ]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; fi
    rm -f "$dir/display" "$dir/pid" "$dir/fd"
    ;;
  *) echo "usage: xvfb.sh start|stop DIR" >&2; exit 2 ;;
esac
