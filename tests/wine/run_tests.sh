#!/usr/bin/env bash
# Runs one set of cross-built test programs under wine, in a wine prefix of its own.
# For the Win32 layer it first serves the simulated controller on pseudo-terminals
# mapped to COM ports, and fills the registry's list of serial ports.
set -euo pipefail
what=$1 bindir=$2 sim=${3:-} sep=${4:-}

source "$(dirname "$0")/wine_session.sh"
case $sep in
,) prefix=$bindir/wine-$what-comma ;;
.) prefix=$bindir/wine-$what-point ;;
*) prefix=$bindir/wine-$what ;;
esac
# The widget tests run on Qt's Windows platform, on a desktop of their own.
if [ "$what" = widgets ]; then
  wine_session "$prefix" "$bindir/x-$what$sep"
else
  wine_session "$prefix"
fi
trap wine_session_end EXIT

serve() { serve_com "$sim" "$1" "$2" "$bindir/sim-$2.txt"; } # fault, COM name

reg() { wine reg "$@" >/dev/null 2>&1; }

status=0
case $what in
core)
  wine "$bindir/test_core.exe" || status=$?
  wine "$bindir/test_history_store.exe" || status=$?
  wine "$bindir/test_database_place.exe" || status=$?
  wine "$bindir/test_port_search.exe" || status=$?
  wine "$bindir/test_guided_walk.exe" || status=$?
  wine "$bindir/test_installation_checks.exe" || status=$?
  ;;
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
  for t in startup mainform fields programming workshop chart history; do
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
