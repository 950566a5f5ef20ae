#!/usr/bin/env bash
# Starts (or stops) a virtual X display with a window manager for the tests that need
# real X windows: title bars, captions as the window manager receives them, and input
# that waits in the X queue. The display's name goes into the given file.
set -euo pipefail
action=$1 state=$2
case $action in
start)
  rm -f "$state".*
  exec 3>"$state.display"
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$state.xvfb"
  exec 3>&-
  for _ in $(seq 100); do [ -s "$state.display" ] && break; sleep 0.05; done
  [ -s "$state.display" ] || { echo "Xvfb did not start"; exit 1; }
  display=":$(tr -d '\n' <"$state.display")"
  echo "$display" >"$state.display"
  DISPLAY=$display setsid openbox --sm-disable </dev/null >/dev/null 2>&1 &
  echo $! >"$state.wm"
  # The window manager owns the screen once it has set its check window.
  for _ in $(seq 100); do
    DISPLAY=$display xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
  echo "X display $display with openbox"
  ;;
stop)
  for f in "$state.wm" "$state.xvfb"; do
    [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null || true
  done
  rm -f "$state".*
  ;;
esac
