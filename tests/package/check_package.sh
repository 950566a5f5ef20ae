#!/usr/bin/env bash
# Checks the Debian package as a user would meet it: lintian finds no error, it holds
# the three programs and their files and nothing else, its desktop entry and AppStream
# file validate, and the installed program starts and shows its main window.
set -euo pipefail
deb=$1 display_file=$2
[ -f "$deb" ] || { echo "no package at $deb (scripts/test.sh builds it)"; exit 1; }

echo "== $(basename "$deb"), $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Depends | sed 's/^/Depends: /'

echo "== lintian"
lintian --fail-on error "$deb" 2>&1 | grep -v 'root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1

echo "== contents"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's#^\./##' | sort)
expected=$(cat <<'LIST' | sort
usr/bin/tuma
usr/bin/tuma-cli
usr/bin/tuma-sim
usr/share/applications/com.marvolan.Tuma.desktop
usr/share/doc/tuma/changelog.Debian.gz
usr/share/doc/tuma/copyright
usr/share/icons/hicolor/128x128/apps/com.marvolan.Tuma.png
usr/share/icons/hicolor/16x16/apps/com.marvolan.Tuma.png
usr/share/icons/hicolor/22x22/apps/com.marvolan.Tuma.png
usr/share/icons/hicolor/24x24/apps/com.marvolan.Tuma.png
usr/share/icons/hicolor/256x256/apps/com.marvolan.Tuma.png
usr/share/icons/hicolor/32x32/apps/com.marvolan.Tuma.png
usr/share/icons/hicolor/48x48/apps/com.marvolan.Tuma.png
usr/share/icons/hicolor/64x64/apps/com.marvolan.Tuma.png
usr/share/man/man1/tuma-cli.1.gz
usr/share/man/man1/tuma-sim.1.gz
usr/share/man/man1/tuma.1.gz
usr/share/metainfo/com.marvolan.Tuma.metainfo.xml
LIST
(cd "$(dirname "$0")/../../docs/manual" && find . -type f | sed 's#^\./#usr/share/doc/tuma/manual/#')
)
expected=$(echo "$expected" | sort)
diff <(echo "$expected") <(echo "$files")

root=$(mktemp -d)
tuma_pid=""
cleanup() {
  [ -n "$tuma_pid" ] && kill "$tuma_pid" 2>/dev/null || true
  rm -rf "$root"
}
trap cleanup EXIT
dpkg -x "$deb" "$root"

echo "== desktop entry and AppStream"
desktop-file-validate "$root/usr/share/applications/com.marvolan.Tuma.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.marvolan.Tuma.metainfo.xml"
grep -q "<project_license>GPL-3.0-or-later</project_license>" "$root/usr/share/metainfo/com.marvolan.Tuma.metainfo.xml"
grep -q "^License: GPL-3+$" "$root/usr/share/doc/tuma/copyright"
echo "licence: GPL-3.0-or-later in AppStream and the machine-readable copyright"

echo "== the installed program"
export DISPLAY
DISPLAY=$(cat "$display_file")
env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=xcb "$root/usr/bin/tuma" &
tuma_pid=$!
caption="Marvolan - Tuma Programável v 2.5"
window=""
for _ in $(seq 100); do
  window=$(xdotool search --pid "$tuma_pid" --onlyvisible --name "^${caption}\$" 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  kill -0 "$tuma_pid" 2>/dev/null || { echo "tuma ended"; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "no main window"; exit 1; }
xprop -id "$window" _NET_WM_NAME
echo "main window shown"

echo "== the installed tuma-cli against the installed tuma-sim"
sleep 30 | env -u LD_LIBRARY_PATH "$root/usr/bin/tuma-sim" --quiet >"$root/sim.out" 2>&1 &
sim_pid=$!
dev=""
for _ in $(seq 100); do
  dev=$(grep -o '/dev/pts/[0-9]*' "$root/sim.out" || true)
  [ -n "$dev" ] && break
  sleep 0.05
done
[ -n "$dev" ] || { echo "tuma-sim did not start"; exit 1; }
version=$(env -u LD_LIBRARY_PATH "$root/usr/bin/tuma-cli" -p "${dev#/dev/}" version)
kill "$sim_pid" 2>/dev/null || true
[ "$version" = "2.5" ] || { echo "tuma-cli version said '$version'"; exit 1; }
echo "tuma-cli -p ${dev#/dev/} version: $version"
