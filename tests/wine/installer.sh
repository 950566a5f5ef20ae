#!/usr/bin/env bash
# The Windows installer under wine: a silent install puts tuma.exe under Program
# Files with a Start-menu entry and an entry in Add/Remove Programs; the installed
# program shows its main window; a silent uninstall leaves nothing behind.
set -euo pipefail
setup=$1 work=$2
rm -rf "$work"; mkdir -p "$work"
source "$(dirname "$0")/wine_session.sh"
wine_session "$work/prefix" "$work/x"
trap wine_session_end EXIT

fail() { echo "FAILED: $*"; exit 1; }
dir="$WINEPREFIX/drive_c/Program Files/Tuma Programavel"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tuma Programavel'
wine "$setup" /S >/dev/null 2>&1

for _ in $(seq 100); do [ -f "$dir/tuma.exe" ] && break; sleep 0.2; done
[ -f "$dir/tuma.exe" ] || fail "tuma.exe not installed"
[ -f "$dir/tuma-cli.exe" ] || fail "tuma-cli.exe not installed"
[ -f "$dir/LICENSE.txt" ] && grep -q "GNU GENERAL PUBLIC LICENSE" "$dir/LICENSE.txt" || fail "LICENSE.txt (the GPL) not installed"
[ -f "$dir/THIRD-PARTY-NOTICES.txt" ] && grep -q "LESSER GENERAL PUBLIC LICENSE" "$dir/THIRD-PARTY-NOTICES.txt" || fail "THIRD-PARTY-NOTICES.txt not installed"
[ -f "$dir/Desinstalar Tuma Programável.exe" ] || fail "no uninstaller"
echo "installed: $(cd "$dir" && ls)"
links=$(find "$WINEPREFIX/drive_c" -path '*Start Menu*' -name '*.lnk' | grep -i tuma || true)
echo "$links" | grep -q "Tuma Programável.lnk" || fail "no Start-menu entry 'Tuma Programável' ($links)"
entry=$(wine reg query "$key" 2>/dev/null | tr -d '\r')
echo "$entry"
echo "$entry" | grep -q 'DisplayVersion.*2\.5' || fail "no version 2.5 in Add/Remove Programs"
echo "$entry" | grep -q 'Publisher.*Marvolan' || fail "no publisher"
echo "$entry" | grep -q 'DisplayIcon' || fail "no icon"

# The installed program starts and shows its main window.
wine "$dir/tuma.exe" >/dev/null 2>&1 &
prog=$!
shown=""
for _ in $(seq 150); do
  shown=$(xdotool search --name 'Marvolan - Tuma Programável v 2.5' 2>/dev/null | head -1 || true)
  [ -n "$shown" ] && break
  sleep 0.2
done
[ -n "$shown" ] || fail "the installed program showed no main window"
echo "main window: $(xprop -id "$shown" _NET_WM_NAME)"
# A key that reaches the new window before wine has given it the focus is lost, and a
# running tuma.exe cannot be removed: press Sair until the program has ended.
for _ in $(seq 5); do
  xdotool windowactivate --sync "$shown" >/dev/null 2>&1 || true
  xdotool key --window "$shown" alt+s >/dev/null 2>&1 || true
  for _ in $(seq 30); do kill -0 "$prog" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$prog" 2>/dev/null || break
done
kill -0 "$prog" 2>/dev/null && fail "the installed program did not end on Alt+S"

# The uninstaller copies itself away and returns at once: wait for it to finish.
wine "$dir/Desinstalar Tuma Programável.exe" /S >/dev/null 2>&1
for _ in $(seq 150); do [ -e "$dir" ] || break; sleep 0.2; done

[ ! -e "$dir" ] || fail "left behind: $(ls -R "$dir")"
wine reg query "$key" >/dev/null 2>&1 && fail "the Add/Remove Programs entry is still there"
echo "installed, started and removed cleanly"
