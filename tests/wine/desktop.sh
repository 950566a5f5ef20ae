#!/usr/bin/env bash
# The real tuma.exe under wine on a desktop (Xvfb with openbox), driven by the
# keyboard alone, against tuma-sim on COM5 and on COM12: the port dialog, the version
# box, Ler, the live reads twice a second, an edit written with Gravar, and Sair,
# with every caption read from the window manager. Screenshots go into the work folder.
set -euo pipefail
exe=$1 sim=$2 work=$3
source "$(dirname "$0")/wine_desktop.sh"
wine_desktop_start

serve COM5
serve COM12

wine "$exe" >/dev/null 2>&1 &
main=$(window 'Marvolan - Tuma Programável v 2.5')
sleep 1
import -window root "$work/main.png"

for port in COM12 COM5; do
  activate "$main" alt+c
  dialog=$(window 'Configuração Porta Serial')
  import -window root "$work/port-dialog.png"
  # The list offers the registry's ports; the name is typed into its field.
  xdotool key ctrl+a type "$port"
  xdotool key Return
  box=$(window 'Versão')
  import -window root "$work/version-$port.png"
  xdotool key Return
  gone 'Versão'
  gone 'Configuração Porta Serial'
  frames "$port" | grep -q '^cmd 3 addr 1 n 1' || fail "no GetVersion on $port"
done

# Ler on COM5: the parameter block, the short live read, then a live read every 500 ms.
activate "$main" alt+l
sleep 0.5
got=$(frames COM5)
echo "$got" | grep -q '^cmd 1 addr 1 n 25' || fail "no ReadConfig after Ler"
echo "$got" | grep -q '^cmd 0 addr 72 n 10' || fail "no short live read after Ler"
sleep 5
live=$(frames COM5 | grep -c '^cmd 0 addr 67 n 10' || true)
echo "live reads in 5.3 s: $live"
[ "$live" -ge 9 ] && [ "$live" -le 12 ] || fail "$live live reads in 5.3 s, expected about 10"
import -window root "$work/main-read.png"

# An edit and Gravar: Ler left the focus in Tempo Injec.; 2000 ms is 2439 (87 09),
# and every other field goes back as the form shows it (Tempo Ajuste "50" is 238).
activate "$main" ctrl+a type 2000
xdotool key alt+g
press 'Aviso' Return
window 'Gravação' >/dev/null
import -window root "$work/written.png"
press 'Gravação' Return
gone 'Gravação'
write=$(frames COM5 | grep '^cmd 4 addr 1 n 25' || true)
echo "written: $write"
[ "$write" = "cmd 4 addr 1 n 25: 00 5A 10 20 12 7A 01 02 03 04 05 06 87 09 18 5B 5B 83 FA 00 00 06 00 77 EE" ] \
  || fail "WriteConfig was '$write'"

activate "$main" alt+s
gone 'Marvolan - Tuma Programável v 2.5'
echo "tuma.exe: port dialog, version on COM12 and COM5, Ler, live reads, an edit written with Gravar, and Sair, by keyboard"
