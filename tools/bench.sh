#!/usr/bin/env bash
# Runs the insert benchmark under Wine in a test bed of its own, started and stopped here.
#   tools/bench.sh [BUILD_DIR]   (default build/win32)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
bed="$build/benchbed"
[ -f "$build/insert_bench.exe" ] || { echo "bench: $build/insert_bench.exe not built" >&2; exit 1; }

trap '"$here/testbed.sh" stop "$bed" >/dev/null 2>&1 || true' EXIT
"$here/testbed.sh" start "$bed"
# The same environment as the Wine tests (tools/wine-run.in).
(
  . "$bed/env"
  export ZEL_EXE="$build/Zel.exe" ZEL_BIN="$build"
  exec wine "$build/insert_bench.exe"
) 2> >(grep -v 'setlocale' >&2)
