#!/usr/bin/env bash
# tuma-cli.exe under wine against tuma-sim on COM ports: the registry's port list, the
# version, a backup, an edited restore that is verified, a bad file that is refused
# and a silent controller that fails clearly.
set -euo pipefail
cli=$1 sim=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
source "$(dirname "$0")/wine_session.sh"
trap wine_session_end EXIT
wine_session "$work/prefix"
cd "$work"
fail() { echo "FAILED: $*"; exit 1; }
run() { wine "$cli" "$@" </dev/null 2>err.txt | tr -d '\r'; return "${PIPESTATUS[0]}"; }

serve_com "$sim" none COM5 sim5.out
serve_com "$sim" silent COM6 sim6.out
for c in COM5 COM6; do
  wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\Serial$c" /t REG_SZ /d "$c" /f >/dev/null 2>&1
done

ports=$(run ports) || fail "ports: $(cat err.txt)"
echo "ports: $ports" | tr '\n' ' '; echo
grep -qx COM5 <<<"$ports" && grep -qx COM6 <<<"$ports" || fail "ports did not list COM5 and COM6"

[ "$(run -p COM5 version)" = 2.5 ] || fail "version: $(cat err.txt)"
run -p COM5 backup a.tuma >/dev/null || fail "backup: $(cat err.txt)"
grep -q '^bytes = 00 5A 10 20 12 7A' a.tuma || fail "the backup holds other bytes: $(cat a.tuma)"
sed 's/^tempo_partida = 1000 /tempo_partida = 2000 /' a.tuma >b.tuma
out=$(run -p COM5 restore b.tuma --yes) || fail "restore: $(cat err.txt)"
grep -q 'Tempo Injec.: 1000 ms -> 2000 ms' <<<"$out" || fail "restore showed no diff: $out"
grep -q '^Verificado' <<<"$out" || fail "restore not verified: $out"
run -p COM5 diff b.tuma >/dev/null || fail "the controller does not hold b.tuma"
echo "backup, edited restore (verified) and diff on COM5"

sed 's/^tempo_partida = 1000 /tempo_partida = 4001 /' a.tuma >bad.tuma
set +e
run -p COM5 restore bad.tuma --yes >/dev/null; code=$?
set -e
[ "$code" = 2 ] || fail "a value out of range gave exit $code"
grep -q 'entre 0 e 4000' err.txt || fail "no field message: $(cat err.txt)"
refused=$(cat err.txt)
run -p COM5 diff b.tuma >/dev/null || fail "a refused file changed the controller"
echo "out-of-range file refused: $refused"

set +e
run -p COM6 version >/dev/null; code=$?
set -e
[ "$code" = 1 ] || fail "a silent controller gave exit $code"
grep -q 'Falha na Comunicação' err.txt || fail "silent: $(cat err.txt)"
echo "silent controller on COM6: exit 1, $(cat err.txt)"
echo "PASSED"
