#!/bin/bash
# The live chart's cost measured from outside the program, on the real path: tuma
# talks to tuma-sim over a pseudo-terminal through Qt SerialPort, on an X server with
# a window manager, driven by the keyboard as a technician would. It prints the CPU
# time of all the program's threads (from /proc schedstat) over a stretch with the
# monitor alone and over one with the live chart open, and the X server's beside them
# (a scrolled chart leaves its copying to the server). TUMA_BENCH_SHOTS=FOLDER keeps a
# screenshot of each stretch, to see that the monitor ran.
#   bench/chart_outside.sh BUILD_DIR [SECONDS]      (default 60 s a stretch; at most
#   180 s, for both stretches to fall in the engine's first idle)
# Needs Xvfb, openbox and xdotool (scripts/setup.sh test installs them).
set -euo pipefail
build=$(cd "${1:?usage: bench/chart_outside.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-60}
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xserver=$!
pids+=("$xserver")
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1

"$build/src/sim/tuma-sim" --engine --quiet </dev/null >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q "Port to type" "$work/sim.log" && break; sleep 0.1; done
port=$(sed -n 's/^Port to type in the port dialog: //p' "$work/sim.log")
[ -n "$port" ] || { echo "tuma-sim did not start: $(cat "$work/sim.log")"; exit 1; }

mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config "$build/src/app/tuma" >"$work/tuma.log" 2>&1 &
tuma=$!
pids+=("$tuma")
for _ in $(seq 100); do xdotool search --onlyvisible --name "Marvolan" >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --onlyvisible --name "Marvolan" >/dev/null || { echo "the main window did not show"; exit 1; }

# The port dialog: the port typed, OK, and the box that says the controller answered.
xdotool key alt+c
sleep 1
xdotool key ctrl+a
xdotool type "$port"
xdotool key Return
sleep 1.5
xdotool key Return
sleep 1
# "&Ler " reads the block and starts the monitor.
xdotool key alt+l
sleep 3

cpu() { # nanoseconds on a processor, all threads of process $1
  local sum=0
  for f in /proc/"$1"/task/*/schedstat; do
    read -r ns _ <"$f" || true
    sum=$((sum + ns))
  done
  echo "$sum"
}
alive() { # the program still runs, or the measurement says why it stopped
  kill -0 "$tuma" 2>/dev/null && return
  echo "tuma ended during the measurement ($1); what it printed:" >&2
  tail -20 "$work/tuma.log" >&2
  exit 1
}
stretch() { # prints "program server" CPU seconds over $seconds
  local p0 s0 p1 s1
  p0=$(cpu "$tuma"); s0=$(cpu "$xserver")
  sleep "$seconds"
  p1=$(cpu "$tuma"); s1=$(cpu "$xserver")
  alive "$1"
  awk -v a="$p0" -v b="$p1" -v c="$s0" -v d="$s1" 'BEGIN { printf "%.3f %.3f\n", (b - a) / 1e9, (d - c) / 1e9 }'
}

shot() { [ -z "${TUMA_BENCH_SHOTS:-}" ] || import -window root "$TUMA_BENCH_SHOTS/$1.png"; }
# The simulated engine stands still for 10 s, cranks, and its probe is cold for 30 s:
# the boxes change less then, and a monitor measured over that would cost less than
# over the idle that follows (420 s of it), where both stretches fall.
sleep "${TUMA_BENCH_WARM:-45}"
shot monitor
read -r alone alone_x < <(stretch "monitor alone")
xdotool key ctrl+g
sleep 5
shot chart
read -r open open_x < <(stretch "chart open")
alive "at the end"
# Twice a second the monitor reads and repaints: far under a hundredth of the stretch
# means the keys never reached the windows (the port dialog, Ler), not a cheap monitor.
awk -v a="$alone" -v s="$seconds" 'BEGIN { exit !(a < s / 1000) }' &&
  { echo "the monitor did not run during the first stretch (${alone} s of CPU): the keys did not reach the windows" >&2; exit 1; }
echo "Real path: tuma (Qt SerialPort) against tuma-sim on $port, Xvfb + openbox, ${seconds} s a stretch"
printf "monitor alone:     program %s s CPU, X server %s s\n" "$alone" "$alone_x"
printf "live chart open:   program %s s CPU, X server %s s\n" "$open" "$open_x"
awk -v a="$alone" -v b="$open" -v c="$alone_x" -v d="$open_x" \
  'BEGIN { printf "chart open / alone: program %.2f (aim: at most 2), program + X server %.2f\n", b / a, (b + d) / (a + c) }'
