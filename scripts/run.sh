#!/usr/bin/env bash
# Sets up a Debian machine, builds the program and starts it with the simulated
# controller offered as the port "DEMO".
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUMA_TESTS=OFF -DTUMA_BENCH=OFF
cmake --build build -j "$(nproc)"

export TUMA_SIMULATOR=1
echo "Starting Tuma Programável: press \"Config.\", choose DEMO and OK."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting on a virtual one (Xvfb)."
  exec xvfb-run -a -s "-screen 0 1280x800x24" build/src/app/tuma
fi
exec build/src/app/tuma
