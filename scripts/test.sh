#!/usr/bin/env bash
# Sets up a Debian machine, builds the test configuration (AddressSanitizer and UBSan)
# and runs every test through CTest. Its last line is CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh test
build=${TUMA_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUMA_SANITIZE=ON -DTUMA_FUZZ=ON -DTUMA_WINDOWS_TESTS=ON
cmake --build "$build" -j "$(nproc)"
cd "$build"
export QT_QPA_PLATFORM=offscreen
exec ctest --output-on-failure --no-label-summary -j "$(nproc)" --timeout 300
