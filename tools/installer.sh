#!/usr/bin/env bash
# Builds the signed per-user installer around a signed Zel.exe (NSIS, resources/installer/Zel.nsi).
#   installer.sh <signed Zel.exe> <version> <out setup.exe> <scratch dir of sign.sh> [<copy>]
# The installer and the uninstaller it carries are signed by tools/sign.sh with the same
# certificate as the program; a copy of the signed uninstaller goes to <copy> (by default
# uninstall.exe in the scratch dir) for the checks, since only an installed copy has it otherwise.
#   installer.sh --sign <scratch dir> <file>   signs the file in place (makensis calls this)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)

if [ "${1:-}" = --sign ]; then
  scratch=$2 file=$3
  bash "$here/sign.sh" "$file" "$file.signed" "$scratch" >&2
  mv -f "$file.signed" "$file"
  exit 0
fi

exe=$1 version=$2 out=$3 scratch=$4 copy=${5:-$4/uninstall.exe}
abs() { (cd "$(dirname "$1")" && printf '%s/%s' "$(pwd)" "$(basename "$1")"); }
mkdir -p "$(dirname "$out")" "$scratch" "$(dirname "$copy")"
exe=$(abs "$exe") out=$(abs "$out") copy=$(abs "$copy") scratch=$(cd "$scratch" && pwd)
rm -f "$out" "$copy"
makensis -V2 -WX -INPUTCHARSET UTF8 \
  "-DZEL_EXE=$exe" "-DZEL_VERSION=$version" "-DOUTFILE=$out" \
  "-DZEL_ICON=$root/resources/Zel.ico" "-DUNINSTALLER_COPY=$copy" \
  "-DSIGN=bash \"$here/installer.sh\" --sign \"$scratch\"" \
  "$root/resources/installer/Zel.nsi"
echo "$out built"
