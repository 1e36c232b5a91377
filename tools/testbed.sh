#!/usr/bin/env bash
# A throwaway Wine test bed: its own HOME and prefix, an Xvfb display, a persistent
# wineserver, the stand-in service, and the stand-in browser control registered in place of
# Wine's. Everything it starts is stopped by process id.
#   testbed.sh start DIR [BITS [BROWSER_DLL]]   testbed.sh stop DIR
# BITS is the bitness of the build the bed serves: 32 (default) or 64 (wine64, 64-bit prefix).
# BROWSER_DLL is that build's stand-in browser, by default browser.dll beside DIR.
# ZEL_TESTBED_FRESH=1 makes the prefix anew. ZEL_TESTBED_DPI (e.g. 144) makes a bed whose
# screen has that many pixels per inch, on a larger display (2560x1600) so that the scaled
# windows fit.
set -euo pipefail
cmd=${1:?start|stop}; dir=${2:?directory}; bits=${3:-32}; browser_dll=${4:-}
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

clsid_webbrowser='{8856F961-340A-11D0-A96B-00C04FD705A2}'
clsid_htmldocument='{25336920-03F9-11CF-8FD0-00AA00686F13}'

# The DLL registered for a class in the prefix (the native view); empty when none is.
inproc_server() {
  wine reg query "HKCR\\CLSID\\$1\\InprocServer32" /ve 2>/dev/null </dev/null | tr -d '\r' |
    LC_ALL=C sed -n 's/.*REG_[A-Z_]*SZ *//p' | head -n 1
}

register_inproc() {
  local key="HKCR\\CLSID\\$1\\InprocServer32"
  wine reg add "$key" /ve /d "$2" /f >/dev/null 2>&1 </dev/null
  wine reg add "$key" /v ThreadingModel /d Apartment /f >/dev/null 2>&1 </dev/null
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
  # ZEL_TESTBED_FRESH=1: a prefix and HOME made anew, as on a machine that never ran Zel.
  if [ -n "${ZEL_TESTBED_FRESH:-}" ]; then rm -rf "$dir/wpfx" "$dir/home"; fi
  mkdir -p "$dir/home" "$dir/download"
  dir=$(cd "$dir" && pwd)
  browser_dll=${browser_dll:-$(dirname "$dir")/browser.dll}
  dpi=${ZEL_TESTBED_DPI:-}
  screen=1280x1024x24
  [ -n "$dpi" ] && screen=2560x1600x24
  n=$(free_display)
  Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  # ZEL_BED_PORT puts the service at a chosen port (the soak: the built-in service host).
  port=${ZEL_BED_PORT:-$(free_port)}
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
  if [ -n "$dpi" ]; then
    # Wine reads both; a running server keeps the old value until it restarts (below).
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      >/dev/null 2>&1 </dev/null
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
      /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
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
  # Wine's control holds no document, so the program's pages never load with it. The stand-in
  # takes its class (and answers for the HTML document class, which the host looks for before
  # it loads a page from memory). Wine's own registrations are noted once, for the test that
  # proves the host against Wine's control.
  [ -f "$dir/wine-classes" ] || {
    echo "ZEL_WINE_WEBBROWSER='$(inproc_server "$clsid_webbrowser")'"
    echo "ZEL_WINE_HTMLDOCUMENT='$(inproc_server "$clsid_htmldocument")'"
  } >"$dir/wine-classes"
  if [ -f "$browser_dll" ]; then
    standin=$(cd "$(dirname "$browser_dll")" && pwd)/$(basename "$browser_dll")
    standin="Z:${standin//\//\\}"
    register_inproc "$clsid_webbrowser" "$standin"
    register_inproc "$clsid_htmldocument" "$standin"
  else
    standin=""
    echo "warning: no stand-in browser at $browser_dll: Wine's control (no page will load)" >&2
    . "$dir/wine-classes"
    register_inproc "$clsid_webbrowser" "$ZEL_WINE_WEBBROWSER"
    register_inproc "$clsid_htmldocument" "$ZEL_WINE_HTMLDOCUMENT"
  fi
  rm -f "$dir/scripts.txt"
  {
    sed 's/^/export /' "$dir/wine-classes"
    echo "export ZEL_STANDIN_BROWSER='$standin'"
    echo "export ZEL_STANDIN_SCRIPTS=\"$dir/scripts.txt\""
  } >>"$dir/env"
  echo "test bed ready: $bits-bit Wine, display :$n ($screen${dpi:+, $dpi dpi}), service port $port, prefix $WINEPREFIX"
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
*) echo "usage: $0 start DIR [BITS [BROWSER_DLL]] | stop DIR" >&2; exit 2 ;;
esac
