#!/usr/bin/env bash
# Fetches Debian's own source of SQLite, the same version as the Linux build uses
# (libsqlite3-dev), with Debian's patches applied, generates its amalgamation
# (sqlite3.c and sqlite3.h) on this machine and caches it with Debian's copyright file
# outside the build trees; the Windows build compiles it into tuma.exe and tuma-cli.exe.
# Prints the folder as its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/debian-source.sh

debian_fetch sqlite sqlite3 "$(dpkg-query -W -f='${Version}' libsqlite3-dev)" # e.g. 3.40.1-2+deb12u2
[ -f "$src/configure" ] || { echo "windows-sqlite: no configure script in the source" >&2; exit 1; }
# The amalgamation is generated from the canonical sources (it needs tclsh), in a
# build folder of its own.
mkdir -p "$fetch/build"
(cd "$fetch/build" && "$src/configure" --disable-tcl >/dev/null && make -j"$(nproc)" sqlite3.c >&2)
cp "$fetch/build/sqlite3.c" "$fetch/build/sqlite3.h" "$src/debian/copyright" "$folder/"
touch "$folder/.complete"
rm -rf "$fetch"
echo "$folder"
