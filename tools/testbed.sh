#!/usr/bin/env bash
# A throwaway Wine test bed: its own HOME and prefix, an Xvfb display, a persistent
# wineserver and the stand-in service. Everything it starts is stopped by process id.
#   testbed.sh start DIR [BITS]   testbed.sh stop DIR
# BITS is the bitness of the build the bed serves: 32 (default) or 64 (wine64, 64-bit prefix).
set -euo pipefail
cmd=${1:?start|stop}; dir=${2:?directory}; bits=${3:-32}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$here/wine-env.sh"

stop_pid() {
  local f=$1
  [ -f "$f" ] || return 0
  local pid; pid=$(cat "$f")
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$f"
}

free_display() {
  local n
  for n in $(seq 91 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then echo "$n"; return; fi
  done
  return 1
}

free_port() {
  python3 - <<'PY'
import socket
s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()
PY
}

case "$cmd" in
start)
  "$0" stop "$dir" >/dev/null 2>&1 || true
  mkdir -p "$dir/home" "$dir/download"
  dir=$(cd "$dir" && pwd)
  n=$(free_display)
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  port=$(free_port)
  python3 "$root/tests/standin/service.py" --port "$port" --download "$dir/download" \
    >"$dir/service.log" 2>&1 &
  echo $! >"$dir/service.pid"
  # Wine maps Chinese file names (the desktop shortcut) only under a UTF-8 Chinese locale; the C
  # library may not have one compiled, so the test bed compiles its own.
  locpath=""
  if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    [ -d "$dir/locale/zh_CN.UTF-8" ] || {
      mkdir -p "$dir/locale"
      localedef -i zh_CN -f UTF-8 "$dir/locale/zh_CN.UTF-8" >/dev/null 2>&1 || true
    }
    locpath="export LOCPATH=\"$dir/locale\""
  fi
  wine_lines=$(zel_wine_env "$bits" "$dir")
  cat >"$dir/env" <<ENV
$locpath
$wine_lines
export HOME="$dir/home"
export WINEPREFIX="$dir/wpfx"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export DISPLAY=":$n"
export LC_ALL=zh_CN.UTF-8
export ZEL_SERVICE_PORT=$port
export ZEL_TESTBED="$dir"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
ENV
  . "$dir/env"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >"$dir/wineboot.log" 2>&1 </dev/null
    wineserver -w
  fi
  # A persistent server makes every later process start fast; one left over is replaced.
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 </dev/null
  # Without this, every message box takes about two seconds to close.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  for _ in $(seq 100); do
    python3 - "$port" <<'PY' && break
import socket, sys
s = socket.socket()
try:
    s.connect(("127.0.0.1", int(sys.argv[1])))
except OSError:
    sys.exit(1)
PY
    sleep 0.1
  done
  echo "test bed ready: $bits-bit Wine, display :$n, service port $port, prefix $WINEPREFIX"
  ;;
stop)
  [ -d "$dir" ] || exit 0
  if [ -f "$dir/env" ]; then
    ( . "$dir/env"; wineserver -k >/dev/null 2>&1 || true )
  fi
  stop_pid "$dir/service.pid"
  stop_pid "$dir/xvfb.pid"
  echo "test bed stopped"
  ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
