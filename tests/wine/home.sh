#!/usr/bin/env bash
# A workshop PC as earlier versions left it, in the real tuma.exe under wine: the history
# in Documents\Tuma is moved to %LOCALAPPDATA%\Tuma at the first start and the day's copy
# lands in Documents\Tuma\Cópias do histórico; "Procurar controlador..." finds the
# controller on COM5 among a silent port (COM3) and one another program holds (COM4),
# asking the busy one nothing, and checks it as the port dialog's OK does; the guided
# check completes its first step against COM5 and is kept as interrupted when closed.
set -euo pipefail
exe=$1 sim=$2 work=$3 cli=$4
source "$(dirname "$0")/wine_desktop.sh"
wine_desktop_start
# Another program's hold on a port is an exclusive open (TIOCEXCL), which the kernel
# lets an administrator pass: wine's server, which opens the devices, runs without
# that power here, as it runs on a user's desktop.
wineserver -k 2>/dev/null || true
setpriv --bounding-set=-sys_admin wineserver -p 120 </dev/null >/dev/null 2>&1

serve COM3 silent
serve COM4
serve COM5 none --engine
documents=$HOME # the prefix's Documents lead there
local_app=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local)
[ -d "$local_app" ] || fail "no AppData\\Local in the prefix"

# The history an earlier version kept in Documents\Tuma: one read through COM5.
mkdir -p "$documents/Tuma"
com5=$(grep -o '/dev/pts/[0-9]*' "$work/COM5.out" | head -1)
"$cli" -p "${com5#/dev/}" --history "$documents/Tuma/historico.sqlite" backup "$work/antes.tuma" >/dev/null
[ "$("$cli" --history "$documents/Tuma/historico.sqlite" history | wc -l)" = 1 ] || fail "no old history made"

# Another program holds COM4, as a serial terminal holds its port.
com4=$(grep -o '/dev/pts/[0-9]*' "$work/COM4.out" | head -1)
perl -e 'open(my $f, "+<", $ARGV[0]) or die "$!"; ioctl($f, 0x540C, 0) or die "TIOCEXCL: $!"; print "held\n"; $| = 1; sleep 600' \
  "$com4" >"$work/COM4.held" 2>&1 &
wine_pids+=($!)
for _ in $(seq 50); do grep -q held "$work/COM4.held" && break; sleep 0.1; done
grep -q held "$work/COM4.held" || fail "COM4 could not be held: $(cat "$work/COM4.held")"
frames COM3 >/dev/null; frames COM4 >/dev/null; frames COM5 >/dev/null

wine "$exe" >/dev/null 2>&1 &
program=$!
main=$(window 'Marvolan - Tuma Programável v 2.5')
sleep 1
db="$local_app/Tuma/historico.sqlite"
for _ in $(seq 50); do [ -f "$db" ] && break; sleep 0.1; done
[ -f "$db" ] || fail "the history was not moved to %LOCALAPPDATA%\\Tuma"
[ -f "$documents/Tuma/historico.sqlite" ] && fail "the old history is still under its name: two live databases"
[ -f "$documents/Tuma/historico.sqlite.movido" ] || fail "the old history was not set aside"
copy=$(find "$documents/Tuma/Cópias do histórico" -name "historico-*-$(date +%Y-%m-%d).sqlite" | head -1)
[ -n "$copy" ] || fail "no copy of the day in Documents\\Tuma\\Cópias do histórico"

# Arquivo > Procurar controlador...: the item above Sair.
activate "$main" alt+a
sleep 0.5
xdotool key Up Up Return
finder=$(window 'Procurar controlador')
sleep 4 # COM3 stays silent through the link's three attempts
import -window root "$work/finder.png"
activate "$finder" Return
press 'Versão' Return
sleep 0.5
activate "$main" alt+l
sleep 1
# Exibir > Verificação guiada da instalação... (three items above the last): the engine
# on COM5 is stopped with the key on, so the first step completes in 10 s; closing the
# window then keeps the walk as interrupted.
echo "engine-step 1" >&"$fd_COM5"
activate "$main" alt+e
sleep 0.5
xdotool key Up Up Up Return
walk=$(window 'Verificação guiada da instalação')
sleep 16
import -window root "$work/walk.png"
xdotool windowclose "$walk"
sleep 0.5
asked3=$(frames COM3 | grep -c '^cmd 3 ' || true)
asked4=$(frames COM4 | grep -c '^cmd 3 ' || true)
asked5=$(frames COM5)
[ "$asked3" = 3 ] || fail "the silent COM3 was asked $asked3 times, not the link's three attempts"
[ "$asked4" = 0 ] || fail "COM4, held by another program, was asked for the version"
[ "$(grep -c '^cmd 3 ' <<<"$asked5")" = 2 ] || fail "COM5 was not asked once by the search and once as OK asks: $asked5"
grep -q '^cmd 1 ' <<<"$asked5" || fail "Ler after the search read nothing from COM5: $asked5"

activate "$main" alt+s
for _ in $(seq 40); do kill -0 "$program" 2>/dev/null || break; sleep 0.25; done
kill -0 "$program" 2>/dev/null && fail "tuma.exe still runs 10 s after Sair"
kept=$("$cli" --history "$db" history --limit 100)
[ "$(wc -l <<<"$kept")" = 3 ] || fail "the moved history does not hold the old read, the new one and the walk: $kept"
grep -q $'\tLeitura\t.*\tCOM5\t2.5\t' <<<"$kept" || fail "no read through COM5 in the history: $kept"
grep -q $'\tVerificação interrompida\t.*\tCOM5\t2.5\t' <<<"$kept" || fail "no interrupted guided check in the history: $kept"
walked=$("$cli" --history "$db" history show "$(grep $'\tVerificação interrompida\t' <<<"$kept" | cut -f1)")
grep -q '1. MAP com o motor desligado' <<<"$walked" || fail "the walk's first step is not in the history: $walked"
[ "$("$cli" --history "$copy" history | wc -l)" = 3 ] || fail "the copy made at Sair does not hold all three entries"
echo "tuma.exe: the history moved to %LOCALAPPDATA%\\Tuma with its old entry, the day's copy in Documents, Procurar controlador found COM5 beside a silent COM3 and a held COM4 and checked it as OK, the guided check's first step on COM5"
