#!/usr/bin/env bash
# Runs the benchmarks (start-up, insert) under Wine in a test bed of its own, started and
# stopped here.
#   tools/bench.sh BUILD_DIR BITS   (build/win32 32, or build/win64 64)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:?build directory}" && pwd)
bits=${2:?32 or 64}
bed="$build/benchbed"
benches=(startup_bench insert_bench)
for b in "${benches[@]}"; do
  [ -f "$build/$b.exe" ] || { echo "bench: $build/$b.exe not built" >&2; exit 1; }
done

# A bed without the stand-in: Wine's own browser control, where no page ever loads.
plainbed="$build/benchbed-winectl"
trap '"$here/testbed.sh" stop "$bed" >/dev/null 2>&1 || true
      "$here/testbed.sh" stop "$plainbed" >/dev/null 2>&1 || true' EXIT
"$here/testbed.sh" start "$bed" "$bits"
# The same environment as the Wine tests (tools/wine-run.in).
echo "benchmarks of the $bits-bit build in $build"
status=0
for b in "${benches[@]}"; do
  (
    . "$bed/env"
    export ZEL_EXE="$build/Zel.exe" ZEL_BIN="$build"
    exec wine "$build/$b.exe"
  ) 2> >(grep -v 'setlocale' >&2) || status=1
done
"$here/testbed.sh" stop "$bed" >/dev/null 2>&1 || true
# The start-up once more where the first page never loads: the window must come up as fast as
# with a page that loads.
"$here/testbed.sh" start "$plainbed" "$bits" "$build/no-stand-in.dll" 2>/dev/null
echo "start-up with Wine's own browser control (the first page never loads):"
(
  . "$plainbed/env"
  export ZEL_EXE="$build/Zel.exe" ZEL_BIN="$build"
  exec wine "$build/startup_bench.exe"
) 2> >(grep -v 'setlocale' >&2) || status=1
exit $status
