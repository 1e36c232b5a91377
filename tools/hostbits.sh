#!/usr/bin/env bash
# Tells whether this host runs 32-bit x86 code: prints "32" or "64", then a tab and the reason.
# Some of our machines run 64-bit user code only; there the shipped 32-bit build cannot run
# under Wine and the Wine suite uses the 64-bit test build instead.
# The probe is a 93-byte static i386 program that exits with 42, so it needs no i386 package.
# It is written to the folder given as the first argument, else to the temporary folder.
set -u
probe=$(mktemp "${1:-${TMPDIR:-/tmp}}/zel-i386-probe.XXXXXX") || { printf '64\tno temporary file for the probe\n'; exit 0; }
trap 'rm -f "$probe"' EXIT
printf '%b' \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
  '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
  '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
  '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08' \
  '\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00' \
  '\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80' >"$probe"
chmod +x "$probe"
"$probe" 2>/dev/null
rc=$?
if [ "$rc" -eq 42 ]; then
  printf '32\tthis host runs 32-bit code\n'
else
  printf '64\tthis host runs no 32-bit code (an i386 program fails to start)\n'
fi
