#!/usr/bin/env bash
# Sets up a Debian machine, builds the program and starts it with the simulated
# controller offered as the port "DEMO".
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUMA_TESTS=OFF -DTUMA_BENCH=OFF
cmake --build build -j "$(nproc)"

export TUMA_SIMULATOR=1
echo "Starting Tuma Programável: press \"Config.\", then OK (DEMO is preselected), then \"Ler\"."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # No display: a virtual one, with a window manager so that windows have title bars.
  # Closing the program (Sair) ends it; Ctrl+C here does too.
  echo "No display found: starting on a virtual one (Xvfb with openbox). Stop with Sair or Ctrl+C."
  exec xvfb-run -a -s "-screen 0 1280x800x24" bash -c 'openbox --sm-disable >/dev/null 2>&1 & exec build/src/app/tuma'
fi
exec build/src/app/tuma
