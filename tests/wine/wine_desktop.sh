# Sourced by the scripts that drive the real tuma.exe on a wine desktop: the desktop
# itself, tuma-sim per COM port with the requests it received, and windows found by
# their exact captions. They use the caller's $work (the work folder) and $sim (the
# tuma-sim program).
source "$(dirname "${BASH_SOURCE[0]}")/wine_session.sh"

# A fresh work folder and a wine prefix on a desktop of its own (Xvfb with openbox),
# ended when the script exits.
wine_desktop_start() {
  rm -rf "$work"; mkdir -p "$work"
  wine_session "$work/prefix" "$work/x"
  trap wine_session_end EXIT
  wine_fonts_like_a_pc
}

# To standard error: a failure inside `window ... >/dev/null` must still be read.
fail() { echo "FAILED: $*" >&2; import -window root "$work/failed.png" 2>/dev/null || true; exit 1; }

# tuma-sim on a pseudo-terminal per COM port; its standard input is a fifo, so that
# the test can ask it for the requests it received.
serve() { # COM name [fault mode [tuma-sim options...]]
  mkfifo "$work/$1.in"
  exec {fd}<>"$work/$1.in"
  eval "fd_$1=$fd"
  serve_com "$sim" "${2:-none}" "$1" "$work/$1.out" "$work/$1.in" "${@:3}"
  wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "\\Device\\Serial$1" /t REG_SZ /d "$1" /f >/dev/null 2>&1
}
frames() { # COM name: the requests received since the last call
  local fd; eval "fd=\$fd_$1"
  local before; before=$(wc -l <"$work/$1.out")
  echo frames >&"$fd"
  sleep 0.3
  tail -n +"$((before + 1))" "$work/$1.out" | grep '^cmd' || true
}
window() { # exact caption: the window's id once it is shown
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  [ -n "$id" ] || fail "no window '$1'"
  local name; name=$(xprop -id "$id" _NET_WM_NAME | sed 's/^[^"]*"//; s/"$//')
  [ "$name" = "$1" ] || fail "caption '$name', expected '$1'"
  echo "$id"
}
# Keys pressed in the window of this exact caption once it has the keyboard: wine maps
# a message box before it takes the focus, and a key sent in between goes nowhere.
press() { # exact caption, keys...
  local id; id=$(window "$1"); shift
  activate "$id" "$@"
}
# Keys pressed in that window once the window manager has made it active. The window
# manager is the desktop's scaffolding, not the program: should it be gone, it is
# started again (and said so) before the window is activated once more.
activate() { # window id, keys...
  local id=$1; shift
  xdotool windowactivate --sync "$id" 2>/dev/null || {
    bash "$(dirname "${BASH_SOURCE[0]}")/../gui/xserver.sh" wm "$wine_xstate"
    xdotool windowactivate --sync "$id" || fail "window $id could not be activated"
  }
  [ $# -eq 0 ] || xdotool key "$@"
}
gone() { for _ in $(seq 50); do xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0; sleep 0.1; done; fail "'$1' still open"; }
