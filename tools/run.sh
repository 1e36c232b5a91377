#!/usr/bin/env bash
# Starts dist/Zel.exe under Wine against the bundled stand-in service, with the stand-in
# browser control of the Wine tests in place of Wine's own (which shows no page) and the
# stand-in spreadsheet, which takes the rows of "插入Excel" into run/sheet.txt.
#   run.sh start   (again while it runs: the second start hands over to the first)
#   run.sh stop
# ZEL_HOST_BITS (from `make`, else tools/hostbits.sh) chooses the build: the shipped 32-bit one
# where the host runs 32-bit code, else the 64-bit test build under wine64. ZEL_RUN_BUILD names
# a build directory of that bitness to run instead (its Zel.exe and stand-ins).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
state="$root/run"
mkdir -p "$state/home" "$state/download"
. "$here/wine-env.sh"

bits=${ZEL_HOST_BITS:-$(bash "$here/hostbits.sh" | cut -f1)}
if [ "$bits" = 64 ]; then
  build="$root/build/win64" exe="$root/build/win64/Zel.exe" prefix="$state/wpfx64"
else
  build="$root/build/win32" exe="$root/dist/Zel.exe" prefix="$state/wpfx"
fi
if [ -n "${ZEL_RUN_BUILD:-}" ]; then
  build=$(cd "$ZEL_RUN_BUILD" && pwd) exe="$build/Zel.exe"
fi

host=$(sed -n 's/^#define ZEL_SERVICE_HOST "\(.*\)"$/\1/p' "$root/build/win32/generated/BuildConfig.h" 2>/dev/null || true)
host=${host:-127.0.0.1:8731}
port=${host##*:}
[ "$port" = "$host" ] && port=80

alive() { [ -f "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

# A Linux path as Wine sees it.
winpath() { local p; p=$(cd "$(dirname "$1")" && pwd)/$(basename "$1"); echo "Z:${p//\//\\}"; }

register_inproc() {
  local key="HKCR\\CLSID\\$1\\InprocServer32"
  wine reg add "$key" /ve /d "$2" /f >/dev/null 2>&1 </dev/null
  wine reg add "$key" /v ThreadingModel /d Apartment /f >/dev/null 2>&1 </dev/null
}

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
export ZEL_STANDIN_SCRIPTS="$state/scripts.txt"
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
  # The control's class and the HTML document's, which the program looks for before it shows
  # its loading page.
  if [ -f "$build/browser.dll" ]; then
    register_inproc '{8856F961-340A-11D0-A96B-00C04FD705A2}' "$(winpath "$build/browser.dll")"
    register_inproc '{25336920-03F9-11CF-8FD0-00AA00686F13}' "$(winpath "$build/browser.dll")"
  else
    echo "no $build/browser.dll: Wine's browser control shows no page" >&2
  fi
  if [ -f "$build/sheet.exe" ] && ! alive "$state/sheet.pid"; then
    nohup wine "$build/sheet.exe" --as excel --grid "$(winpath "$state/sheet.txt")" \
      >>"$state/sheet.log" 2>&1 </dev/null &
    echo $! >"$state/sheet.pid"
    echo "stand-in spreadsheet started: the rows of 插入Excel land in run/sheet.txt"
  fi
  nohup wine "$exe" "$@" >>"$state/zel.log" 2>&1 </dev/null &
  if [ "$bits" = 64 ]; then
    echo "${ZEL_HOST_REASON:-this host runs no 32-bit code}: started the 64-bit test build $exe under wine64"
    echo "(dist/Zel.exe, the shipped 32-bit build, cannot run here; its log files are in build/win64/log/)"
  else
    echo "Zel.exe started (log files in ${exe%/*}/log/)"
  fi
  echo "'make stop' ends it and the stand-in service"
  ;;
stop)
  for p in "$state/wpfx" "$state/wpfx64"; do
    [ -d "$p" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1 || true
  done
  for f in "$state/service.pid" "$state/xvfb.pid" "$state/sheet.pid"; do
    if alive "$f"; then kill "$(cat "$f")" 2>/dev/null || true; fi
    rm -f "$f"
  done
  echo "stopped"
  ;;
*) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
