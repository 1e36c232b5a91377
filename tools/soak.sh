#!/usr/bin/env bash
# make soak: Zel.exe as built through a compressed working day under Wine (tests/bench/soak.cpp),
# in a test bed of its own whose stand-in service stands at the built-in service host, where the
# update check asks. The program's wall clock is moved a day forward per round by a small
# preloaded library (tools/soak-clock.c): the tray starts a new check only a day after the last.
#   tools/soak.sh BUILD_DIR BITS
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?build directory}" && pwd)
bits=${2:?32 or 64}
bed="$build/soakbed"
[ -f "$build/soak.exe" ] || { echo "soak: $build/soak.exe not built" >&2; exit 1; }

if [ "$bits" = 64 ]; then
  gcc -O2 -fPIC -shared -nostdlib -o "$build/soak-clock.so" "$here/soak-clock.c" \
    -x none /lib/x86_64-linux-gnu/libc.so.6
else
  gcc -m32 -O2 -fPIC -shared -nostdlib -o "$build/soak-clock.so" "$here/soak-clock.c" \
    -x none /usr/lib/i386-linux-gnu/libc.so.6
fi

host=$(sed -n 's/^#define ZEL_SERVICE_HOST "\(.*\)"$/\1/p' "$build/generated/BuildConfig.h")
case "$host" in
  127.0.0.1:*) port=${host#127.0.0.1:} ;;
  *) echo "soak: the built-in service host $host is not this machine" >&2; exit 1 ;;
esac
# A Wine test's relay may stand there for a moment; make run's service stays.
listening() { python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null; }
for _ in $(seq 120); do listening || break; sleep 1; done
if listening; then
  echo "soak: something listens at $host (make run? make stop ends it)" >&2
  exit 1
fi

trap '"$here/testbed.sh" stop "$bed" >/dev/null 2>&1 || true' EXIT
ZEL_BED_PORT=$port "$here/testbed.sh" start "$bed" "$bits"
. "$bed/env"
# The update on offer: a newer version, its notes and its program.
# The version file is put in place by soak.exe only around each check (see there).
printf '3.0.1.0\r\n' >"$bed/download/version.next"
printf 'Zel 3.0.1.0\r\n' >"$bed/download/updateInfo.txt"
# Only a program signed by the publisher takes an update from the same publisher: the soak's
# copy of Zel.exe and the offered program are signed by one throwaway test certificate.
mkdir -p "$bed/app"
"$here/sign.sh" "$build/Zel.exe" "$bed/app/Zel.exe" "$bed/signing" >/dev/null
"$here/sign.sh" "$build/zelnext.exe" "$bed/download/Zel_3.0.1.0.exe" "$bed/signing" >/dev/null
echo "soak of the $bits-bit build in $build"
echo 0 >"$bed/clock"
export ZEL_EXE="$bed/app/Zel.exe" ZEL_BIN="$build" ZEL_SOAK_CLOCK="$bed/clock" \
       ZEL_SOAK_DOWNLOAD="$bed/download"
# Wine's 64-bit helpers cannot load a 32-bit library and say so: that line is dropped.
export LD_PRELOAD="$build/soak-clock.so" ZEL_CLOCK_OFFSET_FILE="$bed/clock"
wine "$build/soak.exe" 2> >(grep -v -e 'setlocale' -e 'wrong ELF class' >&2)
