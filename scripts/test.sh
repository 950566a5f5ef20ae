#!/usr/bin/env bash
# Sets up a Debian machine, builds the Debian package (Release), the static Qt for
# Windows (once; it is cached), the test configuration (AddressSanitizer and UBSan)
# with the Windows program, its tests and its installer, and runs every test through
# CTest. Its last line is CTest's summary.
#
# `test.sh quick` builds the test configuration alone and runs the unit and widget
# tests: the inner loop while working.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

bash scripts/setup.sh test

if [ "${1:-}" = quick ]; then
  build=${TUMA_QUICK_BUILD:-build-quick}
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTUMA_BENCH=OFF
  cmake --build "$build" -j "$(nproc)"
  cd "$build"
  exec ctest --output-on-failure --no-label-summary -j "$(nproc)" --timeout 120 -L 'unit|widgets'
fi

pkg=${TUMA_PACKAGE_BUILD:-build-pkg}
cmake -S . -B "$pkg" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTUMA_TESTS=OFF -DTUMA_BENCH=OFF
cmake --build "$pkg" -j "$(nproc)"
(cd "$pkg" && cpack -G DEB)
deb=$(ls "$top/$pkg"/tuma_*_*.deb | head -1)

qt_windows=$(bash scripts/windows-qt.sh | tail -1)
qcustomplot_windows=$(bash scripts/windows-qcustomplot.sh | tail -1)
sqlite_windows=$(bash scripts/windows-sqlite.sh | tail -1)

build=${TUMA_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUMA_SANITIZE=ON -DTUMA_FUZZ=ON \
      -DTUMA_WINDOWS_TESTS=ON -DTUMA_WINDOWS_QT="$qt_windows" \
      -DTUMA_WINDOWS_QCUSTOMPLOT="$qcustomplot_windows" -DTUMA_WINDOWS_SQLITE="$sqlite_windows" -DTUMA_PACKAGE_DEB="$deb"
cmake --build "$build" -j "$(nproc)"
cd "$build"
export QT_QPA_PLATFORM=offscreen
exec ctest --output-on-failure --no-label-summary -j "$(nproc)" --timeout 300
