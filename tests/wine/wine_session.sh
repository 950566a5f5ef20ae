# Sourced by the scripts that run the Windows programs under wine: a wine prefix of
# their own, a desktop when they need one, and tuma-sim on COM ports.

wine_pids=()
wine_xstate=""

# wine_session PREFIX [XSTATE]: starts the prefix, on a display of its own (Xvfb with
# openbox, state files at XSTATE) when XSTATE is given, headless otherwise.
wine_session() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
  unset DISPLAY WAYLAND_DISPLAY
  wine_xstate=${2:-}
  if [ -n "$wine_xstate" ]; then
    # Wine's desktop takes the display it finds when the prefix starts.
    bash "$(dirname "${BASH_SOURCE[0]}")/../gui/xserver.sh" start "$wine_xstate" >/dev/null
    export DISPLAY=$(cat "$wine_xstate.display")
  fi
  # The user's folders (Documents, Desktop, ...) lead into a home of the session's
  # own, not the real one: the programs save files there.
  export HOME=$WINEPREFIX.home
  mkdir -p "$HOME"
  # The first command creates the prefix; its server stays up for the whole run, so
  # that registry values added to volatile keys are there for the programs.
  mkdir -p "$WINEPREFIX"
  wineserver -p 120 </dev/null >/dev/null 2>&1
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  local link
  for link in "$WINEPREFIX/drive_c/users/$(id -un)"/*; do
    [ -L "$link" ] && ln -sfn "$HOME" "$link"
  done
  return 0
}

# Arial and Tahoma, which the forms name, shown in their metric-compatible twins as a
# PC shows them, instead of wine's wide substitute.
wine_fonts_like_a_pc() {
  local key='HKCU\Software\Wine\Fonts\Replacements'
  wine reg add "$key" /v Arial /t REG_SZ /d 'Liberation Sans' /f >/dev/null 2>&1
  wine reg add "$key" /v Tahoma /t REG_SZ /d 'DejaVu Sans' /f >/dev/null 2>&1
}

# Ends what wine_session and serve_com started.
wine_session_end() {
  # The server first: wine 8 crashes when a pseudo-terminal it knows is hung up.
  wineserver -k 2>/dev/null || true
  for p in "${wine_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -z "$wine_xstate" ] || bash "$(dirname "${BASH_SOURCE[0]}")/../gui/xserver.sh" stop "$wine_xstate"
}

# serve_com SIM FAULT COM OUT [IN [ARGS...]]: tuma-sim with that fault mode (and ARGS)
# on a pseudo-terminal that the prefix sees as COM (e.g. COM5); its output goes to OUT,
# its standard input comes from IN (default /dev/null).
serve_com() {
  local sim=$1 fault=$2 com=$3 out=$4 in=${5:-/dev/null} dev=""
  shift $(($# < 5 ? $# : 5))
  "$sim" --fault "$fault" --quiet "$@" <"$in" >"$out" 2>&1 &
  wine_pids+=($!)
  for _ in $(seq 100); do
    dev=$(grep -o '/dev/pts/[0-9]*' "$out" || true)
    [ -n "$dev" ] && break
    sleep 0.05
  done
  [ -n "$dev" ] || { echo "tuma-sim did not start"; cat "$out"; exit 1; }
  ln -sfn "$dev" "$WINEPREFIX/dosdevices/$(echo "$com" | tr A-Z a-z)"
}
