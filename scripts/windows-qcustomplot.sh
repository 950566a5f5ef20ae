#!/usr/bin/env bash
# Fetches Debian's own source of QCustomPlot, the same version as the Linux build uses
# (libqcustomplot-dev), and caches its qcustomplot.cpp and .h (with Debian's patches
# applied and its copyright file) outside the build trees; the Windows build compiles
# them into tuma.exe. Prints the folder as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/debian-source.sh

debian_fetch qcustomplot qcustomplot "$(dpkg-query -W -f='${Version}' libqcustomplot-dev)" # e.g. 2.1.0+dfsg1-3.1
[ -f "$src/qcustomplot.cpp" ] && [ -f "$src/qcustomplot.h" ] || { echo "windows-qcustomplot: no qcustomplot.cpp/.h in the source" >&2; exit 1; }
cp "$src/qcustomplot.cpp" "$src/qcustomplot.h" "$src/debian/copyright" "$folder/"
[ -f "$src/GPL.txt" ] && cp "$src/GPL.txt" "$folder/"
touch "$folder/.complete"
rm -rf "$fetch"
echo "$folder"
