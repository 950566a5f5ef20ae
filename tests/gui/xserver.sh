#!/usr/bin/env bash
# Starts (or stops) a virtual X display with a window manager for the tests that need
# real X windows: title bars, captions as the window manager receives them, and input
# that waits in the X queue. The display's name goes into the given file; a third
# argument sets the screen's size (1280x1024 unless given).
set -euo pipefail
action=$1 state=$2 size=${3:-1280x1024}

# openbox on the display, waited for until it announces the window activation that
# xdotool asks it for.
start_wm() {
  # Up to 30 s a try, three tries: on a loaded machine (the Windows build and the
  # package beside it) openbox takes its time, and once it was seen not to come at all.
  for try in 1 2 3; do
    DISPLAY=$1 setsid openbox --sm-disable </dev/null >"$state.wmlog" 2>&1 &
    echo $! >"$state.wm"
    for _ in $(seq 600); do
      DISPLAY=$1 xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW' && return 0
      sleep 0.05
    done
    echo "openbox did not announce itself on $1 within 30 s (try $try of 3): $(tail -c 300 "$state.wmlog")" >&2
    kill "$(cat "$state.wm")" 2>/dev/null || true
    sleep 1
  done
  echo "openbox did not start on $1: the window manager, not the program; see above" >&2
  return 1
}

case $action in
start)
  rm -f "$state".*
  exec 3>"$state.display"
  setsid Xvfb -displayfd 3 -screen 0 ${size}x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$state.xvfb"
  exec 3>&-
  for _ in $(seq 400); do [ -s "$state.display" ] && break; sleep 0.05; done
  [ -s "$state.display" ] || { echo "Xvfb did not start"; exit 1; }
  display=":$(tr -d '\n' <"$state.display")"
  echo "$display" >"$state.display"
  start_wm "$display"
  echo "X display $display with openbox"
  ;;
wm)
  # Starts the window manager again when it has gone (the display stays).
  display=$(cat "$state.display")
  if ! DISPLAY=$display xprop -root _NET_SUPPORTED 2>/dev/null | grep -q '_NET_ACTIVE_WINDOW'; then
    [ -f "$state.wm" ] && kill "$(cat "$state.wm")" 2>/dev/null || true
    start_wm "$display"
    echo "openbox was gone from $display: started again" >&2
  fi
  ;;
stop)
  for f in "$state.wm" "$state.xvfb"; do
    [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null || true
  done
  rm -f "$state".*
  ;;
esac
