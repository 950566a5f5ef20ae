#!/usr/bin/env bash
# The workshop's items in the real tuma.exe under wine, driven by the keyboard alone,
# against tuma-sim on COM5: Ctrl+S saves the block with the vehicle's details through
# the Windows file dialog, and an edited copy goes back with Ctrl+O through the
# comparison window, checked on the line and verified; Ctrl+G opens the chart, which
# records a few seconds of polls and adds no request of its own. Arial and Tahoma are shown in
# their metric-compatible twins, so the screenshots in the work folder look as on a PC.
set -euo pipefail
exe=$1 sim=$2 work=$3 cli=$4
source "$(dirname "$0")/wine_desktop.sh"
wine_desktop_start

serve COM5
wine "$exe" >/dev/null 2>&1 &
program=$!
main=$(window 'Marvolan - Tuma Programável v 2.5')
sleep 1
activate "$main" alt+c
window 'Configuração Porta Serial' >/dev/null
xdotool key ctrl+a type COM5
xdotool key Return
press 'Versão' Return
gone 'Configuração Porta Serial'
activate "$main" alt+l
sleep 1
frames COM5 >/dev/null

# Ctrl+S: the details, then the file dialog with the suggested name in Documents\Tuma.
activate "$main" ctrl+s
window 'Salvar parâmetros do controlador' >/dev/null
xdotool type --delay 20 'Auto Eletrica Silva' # xdotool drops accents under wine
xdotool key Tab type --delay 20 'QRS4E56'
xdotool key Tab type --delay 20 'bicos novos'
import -window root "$work/details.png"
xdotool key Return
window 'Salvar parâmetros' >/dev/null
sleep 1
import -window root "$work/save-dialog.png"
xdotool key Return
saved=""
for _ in $(seq 50); do
  saved=$(find "$work" -path '*Tuma/QRS4E56 *.tuma' ! -name '* antes.tuma' | head -1)
  [ -n "$saved" ] && break
  sleep 0.2
done
[ -n "$saved" ] || fail "Ctrl+S saved no QRS4E56 ... .tuma in the documents folder"
sleep 0.5
xdotool key Return # "Parâmetros salvos em ..."
grep -q '^placa = QRS4E56$' "$saved" || fail "the file has no plate: $(head -12 "$saved")"
grep -q '^cliente = Auto Eletrica Silva$' "$saved" || fail "the file has no client"
echo "saved: $saved"

# Ctrl+O on an edited copy: 2000 ms is 2439 (87 09).
sed -i 's/^tempo_partida = 1000 /tempo_partida = 2000 /' "$saved"
activate "$main" ctrl+o
window 'Abrir parâmetros' >/dev/null
sleep 1
xdotool type --delay 20 "$(basename "$saved")"
xdotool key Return
window 'Comparar com o controlador' >/dev/null
sleep 0.5
import -window root "$work/compare.png"
got=$(frames COM5)
echo "$got" | grep -q '^cmd 1 addr 1 n 25' || fail "the controller was not read afresh before the comparison"
echo "$got" | grep -q '^cmd 4 ' && fail "something was written before Gravar no controlador"
xdotool key alt+g
press 'Aviso' Return
window 'Gravação' >/dev/null
import -window root "$work/verified.png"
press 'Gravação' Return
gone 'Gravação'
got=$(frames COM5)
write=$(echo "$got" | grep '^cmd 4 addr 1 n 25' || true)
echo "written: $write"
[ "$(echo "$write" | grep -c .)" = 1 ] || fail "expected one WriteConfig, got '$write'"
echo "$write" | grep -q ' 87 09 ' || fail "tempo_partida 2000 was not written as 87 09"
# The write, then its read-back, with no live read between.
echo "$got" | grep -A1 '^cmd 4 addr 1 n 25' | tail -1 | grep -q '^cmd 1 addr 1 n 25' || fail "no read-back right after the write: $got"
find "$work" -path '*Tuma/QRS4E56 * antes.tuma' | grep -q . || fail "no copy of the controller's block before the write"
sleep 1
import -window root "$work/main-after.png"

# Ctrl+G: the chart, fed by the main window's polls; Alt+R records a few seconds.
frames COM5 >/dev/null
activate "$main" ctrl+g
chart=$(window 'Gráfico dos Valores Instantâneos')
activate "$chart" alt+r
sleep 3.2
xdotool key m
sleep 1
import -window root "$work/chart.png"
xdotool key alt+r
sleep 0.5
log=$(find "$work" -path '*Tuma/Registros/QRS4E56 *.csv' | head -1)
[ -n "$log" ] || fail "no recording in Documents\\Tuma\\Registros"
rows=$(tail -n +2 "$log" | grep -c '^[0-9]' || true)
echo "recorded: $log, $rows rows"
[ "$rows" -ge 6 ] && [ "$rows" -le 11 ] || fail "$rows rows in about 4.2 s of recording"
head -1 "$log" | grep -q 'segundos,data_hora,Temperatura Atual (C)' || fail "no header in the recording"
grep -q ',1,$' "$log" || fail "the marker is not in the recording"
got=$(frames COM5)
others=$(echo "$got" | grep '^cmd' | grep -v '^cmd 0 addr 67 n 10' || true)
[ -z "$others" ] || fail "the chart added requests: $others"

# The menu bar: Alt+A opens Arquivo, whose first item acts (the details of Salvar);
# Exibir's last item lists the changes not yet written; F1 opens the manual.
activate "$main" alt+a
sleep 0.8
import -window root "$work/menu-arquivo.png"
xdotool key Return
window 'Salvar parâmetros do controlador' >/dev/null
xdotool key Escape
gone 'Salvar parâmetros do controlador'
activate "$main" alt+e
sleep 0.5
xdotool key Up Return
changes=$(window 'Alterações não gravadas')
sleep 0.8
import -window root "$work/changes.png"
xdotool windowclose "$changes"
activate "$main" F1
manual=$(window 'Manual do técnico — Tuma Programável')
sleep 1
import -window root "$work/manual.png"
xdotool windowclose "$manual"
sleep 0.5
import -window "$main" "$work/main-menu-bar.png"

# Ctrl+H: the history that tuma.exe kept on its own through COM5, newest first; once
# the program has ended, the Linux tuma-cli reads the very database.
activate "$main" ctrl+h
history=$(window 'Histórico do controlador')
sleep 1
import -window root "$work/history.png"
xdotool windowclose "$history"
sleep 0.3

# Ctrl+D: the installation checks, judging the polls from COM5 as they come.
activate "$main" ctrl+d
diagnosis=$(window 'Diagnóstico da instalação')
sleep 1.5
import -window root "$work/diagnosis.png"
xdotool windowclose "$diagnosis"
sleep 0.3

activate "$main" alt+s
gone 'Marvolan - Tuma Programável v 2.5'
# Sair ends the program, whatever windows of the rooms are open; the history is closed
# with it.
for _ in $(seq 40); do kill -0 "$program" 2>/dev/null || break; sleep 0.25; done
kill -0 "$program" 2>/dev/null && fail "tuma.exe still runs 10 s after Sair"
db=$(find "$work" -path '*AppData/Local/Tuma/historico.sqlite' | head -1)
[ -n "$db" ] || fail "no historico.sqlite in %LOCALAPPDATA%\\Tuma"
kept=$("$cli" --history "$db" history --limit 100)
echo "$kept"
echo "$kept" | grep -q $'\tLeitura\t.*\tCOM5\t2.5\t' || fail "no read through COM5 in the history"
echo "$kept" | grep -q $'Gravação conferida (comparação): conferida\tAuto Eletrica Silva · QRS4E56\tCOM5' ||
  fail "no verified put-back of QRS4E56 in the history"
echo "tuma.exe: Ctrl+S with the vehicle's details, Ctrl+O through the comparison, written and verified on COM5, the chart recording $rows rows, the menu bar by Alt+A and Alt+E, the manual by F1, the history by Ctrl+H, the diagnosis by Ctrl+D, by keyboard"
