#!/usr/bin/env bash
# Starts dist/Zel.exe under Wine against the bundled stand-in service.
#   run.sh start   (again while it runs: the second start hands over to the first)
#   run.sh stop
# ZEL_HOST_BITS (from `make`, else tools/hostbits.sh) chooses the build: the shipped 32-bit one
# where the host runs 32-bit code, else the 64-bit test build under wine64.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
state="$root/run"
mkdir -p "$state/home" "$state/download"
. "$here/wine-env.sh"

bits=${ZEL_HOST_BITS:-$(bash "$here/hostbits.sh" | cut -f1)}
if [ "$bits" = 64 ]; then
  exe="$root/build/win64/Zel.exe" prefix="$state/wpfx64"
else
  exe="$root/dist/Zel.exe" prefix="$state/wpfx"
fi

host=$(sed -n 's/^#define ZEL_SERVICE_HOST "\(.*\)"$/\1/p' "$root/build/win32/generated/BuildConfig.h" 2>/dev/null || true)
host=${host:-127.0.0.1:8731}
port=${host##*:}
[ "$port" = "$host" ] && port=80

alive() { [ -f "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

listening() {
  python3 - "$1" <<'PY'
import socket, sys
s = socket.socket()
s.settimeout(0.3)
try:
    s.connect(("127.0.0.1", int(sys.argv[1])))
except OSError:
    sys.exit(1)
PY
}

zel_wine_env "$bits" "$state" >/dev/null
export HOME="$state/home" WINEPREFIX="$prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
export LC_ALL=zh_CN.UTF-8
# Chinese file names (the desktop shortcut) need a compiled UTF-8 Chinese locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  [ -d "$state/locale/zh_CN.UTF-8" ] || {
    mkdir -p "$state/locale"
    localedef -i zh_CN -f UTF-8 "$state/locale/zh_CN.UTF-8" >/dev/null 2>&1 || true
  }
  export LOCPATH="$state/locale"
fi
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY

cmd=${1:-start}
[ $# -gt 0 ] && shift
case "$cmd" in
start)
  case "$host" in
    127.*|localhost*)
      if ! listening "$port"; then
        python3 "$root/tests/standin/service.py" --port "$port" --download "$state/download" \
          >"$state/service.log" 2>&1 </dev/null &
        echo $! >"$state/service.pid"
        for _ in $(seq 50); do listening "$port" && break; sleep 0.1; done
        echo "stand-in service on http://$host/"
      fi ;;
  esac
  if [ -z "${DISPLAY:-}" ]; then
    if ! alive "$state/xvfb.pid"; then
      for n in $(seq 81 120); do [ ! -e "/tmp/.X$n-lock" ] && break; done
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$state/xvfb.log" 2>&1 </dev/null &
      echo $! >"$state/xvfb.pid"
      echo ":$n" >"$state/display"
      sleep 1
    fi
    DISPLAY=$(cat "$state/display")
    export DISPLAY
    echo "no display: running on Xvfb $DISPLAY (screenshot: DISPLAY=$DISPLAY import -window root shot.png)"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix in $WINEPREFIX ..."
    wineboot -i >"$state/wineboot.log" 2>&1 </dev/null
    wineserver -w
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  fi
  nohup wine "$exe" "$@" >>"$state/zel.log" 2>&1 </dev/null &
  if [ "$bits" = 64 ]; then
    echo "this host runs no 32-bit code: started the 64-bit test build $exe under wine64"
    echo "(dist/Zel.exe, the shipped 32-bit build, cannot run here; its log files are in build/win64/log/)"
  else
    echo "Zel.exe started (log files in dist/log/)"
  fi
  echo "'make stop' ends it and the stand-in service"
  ;;
stop)
  for p in "$state/wpfx" "$state/wpfx64"; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true
  done
  for f in "$state/service.pid" "$state/xvfb.pid"; do
    if alive "$f"; then kill "$(cat "$f")" 2>/dev/null || true; fi
    rm -f "$f"
  done
  echo "stopped"
  ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
