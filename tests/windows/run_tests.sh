#!/usr/bin/env bash
# Runs one cross-built test program under wine, headless, in a wine prefix of its own.
# For the Win32 layer it first serves the simulated controller on pseudo-terminals
# mapped to COM ports, and fills the registry's list of serial ports.
set -euo pipefail
what=$1 bindir=$2 sim=${3:-} sep=${4:-}

export WINEPREFIX=$bindir/wine-$what$([ -n "$sep" ] && { [ "$sep" = , ] && echo -comma || echo -point; }) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
xserver=$(dirname "$0")/../gui/xserver.sh xstate=$bindir/x-$what$sep
if [ "$what" = widgets ]; then
  # Wine's desktop takes the display it finds when the prefix starts.
  bash "$xserver" start "$xstate" >/dev/null
  export DISPLAY=$(cat "$xstate.display")
fi
# The first command creates the prefix; keep its server up for the whole run, so that
# the registry values added below (the key is volatile) are there for the test.
mkdir -p "$WINEPREFIX"
wineserver -p 120 </dev/null >/dev/null 2>&1
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true

sims=()
cleanup() {
  # The server first: wine 8 crashes when a pseudo-terminal it knows is hung up.
  wineserver -k 2>/dev/null || true
  [ "$what" = widgets ] && bash "$xserver" stop "$xstate"
  for p in "${sims[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

serve() { # fault, COM name
  local out=$bindir/sim-$2.txt dev=""
  "$sim" --fault "$1" --quiet </dev/null >"$out" 2>&1 &
  sims+=($!)
  for _ in $(seq 100); do
    dev=$(grep -o '/dev/pts/[0-9]*' "$out" || true)
    [ -n "$dev" ] && break
    sleep 0.05
  done
  [ -n "$dev" ] || { echo "tuma-sim did not start"; cat "$out"; exit 1; }
  ln -sfn "$dev" "$WINEPREFIX/dosdevices/$2"
}

reg() { wine reg "$@" >/dev/null 2>&1; }

status=0
case $what in
core) wine "$bindir/test_core.exe" || status=$? ;;
alloc) wine "$bindir/test_alloc.exe" || status=$? ;;
win32)
  serve none com5
  serve silent com6
  serve split com7
  serve usb com8
  key='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
  reg add "$key" /v '\Device\VCP0' /t REG_SZ /d COM5 /f
  reg add "$key" /v '\Device\Serial1' /t REG_SZ /d COM2 /f
  reg add "$key" /v '\Device\Odd' /t REG_DWORD /d 7 /f
  reg add "$key" /v "\\Device\\ProlificSerial10$(printf '\\Segment%02d' $(seq 1 30))" /t REG_SZ /d COM12 /f
  reg add 'HKCU\Control Panel\International' /v sDecimal /t REG_SZ /d , /f
  TUMA_WINE_REGISTRY=filled wine "$bindir/test_win32.exe" || status=$?
  reg delete "$key" /f
  TUMA_WINE_REGISTRY=absent wine "$bindir/test_win32.exe" --gtest_filter='Registry.*' || status=$?
  ;;
widgets)
  # The Windows platform plugin itself, on a display of its own with a window
  # manager, as on a desktop; and the user's decimal separator as the regional
  # settings hold it.
  reg add 'HKCU\Control Panel\International' /v sDecimal /t REG_SZ /d "$sep" /f
  for t in startup mainform fields programming; do
    echo "== test_$t.exe, decimal separator '$sep'"
    out=$WINEPREFIX/test_$t.log
    TUMA_EXPECT_DECIMAL=$sep TUMA_TEST_QPA_PLATFORM=windows wine "$bindir/test_$t.exe" --gtest_brief=1 >"$out" 2>&1 || status=$?
    grep -v '^\s*[0-9a-f]\{8\} ' "$out" | tail -40
    # A crash under wine can end with status 0: only gtest's own verdict counts.
    grep -q '^\[  PASSED  \]' "$out" && ! grep -q '^\[  FAILED  \]' "$out" || status=1
  done
  ;;
*) echo "unknown test set $what"; status=2 ;;
esac
exit $status
