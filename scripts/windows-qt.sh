#!/usr/bin/env bash
# Builds a static Qt for 64-bit Windows (mingw-w64, POSIX threads) from Debian's own
# qt6-base source package, the same version as the host Qt tools, and caches it
# outside the build trees. Prints the Qt prefix as its last line.
#
# The cache folder is named after the Qt version and a digest of the flags and the
# toolchain file, so a change of flags builds anew. The folder is marked complete
# only after the last install step: a half-built Qt is never used, and an interrupted
# build simply starts again.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

# Only what the program and its tests use: Core, Gui, Widgets, PrintSupport (which the
# plotting library takes in), Test, the windows and
# offscreen platforms and the Windows styles. Debian's +dfsg source has no wintab
# (tablet events), and direct2d goes together with directwrite3.
qt_flags=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF
  -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_printsupport=ON
  -DFEATURE_concurrent=OFF -DFEATURE_freetype=OFF -DFEATURE_fontconfig=OFF -DFEATURE_icu=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_zstd=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_style_windows=ON
  -DFEATURE_style_windowsvista=ON -DFEATURE_style_fusion=ON
)
# Bumped by hand when the source patch below changes.
patch_level=1

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)   # e.g. 6.4.2+dfsg-10
upstream=${qt_version%%+*}
digest=$( (printf "%s\n" "${qt_flags[@]}" $patch_level; cat cmake/mingw-w64.cmake) | sha256sum | cut -c1-12)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tuma
prefix=$cache/qt-$upstream-mingw64-static-$digest

if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

echo "windows-qt: Qt $upstream for Windows is not cached yet; building it once takes about 20 minutes on 2 cores" >&2
mkdir -p "$cache"
work=$cache/work-$upstream-$digest
rm -rf "$cache"/work-* "$prefix"
mkdir -p "$work"
echo "windows-qt: fetching Debian's source of qt6-base $qt_version" >&2
source scripts/debian-source.sh
debian_source "$work" qt6-base "$qt_version"
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -1)
[ -d "$src" ] || { echo "windows-qt: the source did not unpack" >&2; exit 1; }

# Qt's raster code uses setjmp/longjmp to bail out of a span; mingw-w64's setjmp on
# x86_64 unwinds through SEH and crashes there (QTBUG-94692). The compiler's own
# builtins do a plain register restore, which is all this code needs.
raster=$src/src/gui/painting/qgrayraster.c
sed -i 's/^#define qt_ft_setjmp\( *\)setjmp$/#define qt_ft_setjmp\1__builtin_setjmp/;
        s/^#define qt_ft_longjmp\( *\)longjmp$/#define qt_ft_longjmp\1__builtin_longjmp/' "$raster"
grep -q '__builtin_setjmp' "$raster" && grep -q '__builtin_longjmp' "$raster" || { echo "windows-qt: could not patch $raster" >&2; exit 1; }

echo "windows-qt: configuring" >&2
cmake -S "$src" -B "$work/build" -G Ninja "${qt_flags[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  > "$work/configure.log" 2>&1 || { tail -40 "$work/configure.log" >&2; exit 1; }

steps=$(ninja -C "$work/build" -n 2>/dev/null | grep -c '^\[' || true)
echo "windows-qt: building ($steps steps)" >&2
start=$(date +%s)
# Ninja's status line every 50 steps, so that a long build shows it is alive.
NINJA_STATUS='[%f/%t %es] ' ninja -C "$work/build" -j "$(nproc)" 2>&1 \
  | awk '/^\[[0-9]+\/[0-9]+/ { n++; if (n % 50 == 0) print > "/dev/stderr"; fflush("/dev/stderr"); next } /error|FAILED/ { print > "/dev/stderr" }
         { print > "'"$work/build.log"'" }'
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "windows-qt: the build failed; see $work/build.log" >&2; exit 1; }
ninja -C "$work/build" install > "$work/install.log" 2>&1 || { tail -20 "$work/install.log" >&2; exit 1; }
echo "windows-qt: built in $(( $(date +%s) - start )) s" >&2

touch "$prefix/.complete"
rm -rf "$work"
# Qt builds of earlier flags are no longer used.
for old in "$cache"/qt-*-mingw64-static-*; do
  [ "$old" = "$prefix" ] || rm -rf "$old"
done
echo "$prefix"
