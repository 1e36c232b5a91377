#!/usr/bin/env bash
# Signs a release executable (Authenticode, SHA-256) with osslsigncode.
#   sign.sh <in.exe> <out.exe> <scratch dir>
# With ZEL_SIGN_PFX (and ZEL_SIGN_PASSWORD) the publisher's certificate signs; without, a
# throwaway test certificate made once in the scratch dir (inside the build tree, never
# committed). Programs signed by it take updates only from the same test certificate.
# ZEL_SIGN_TIMESTAMP_URL names an RFC 3161 time-stamping server: the signature then stays valid
# after the certificate expires. The publisher's certificate never signs without one: every
# installed copy would refuse all updates from the day it expires.
set -euo pipefail
in=$1 out=$2 scratch=$3
if [ -n "${ZEL_SIGN_PFX:-}" ] && [ -z "${ZEL_SIGN_TIMESTAMP_URL:-}" ]; then
  echo "sign.sh: ZEL_SIGN_PFX needs ZEL_SIGN_TIMESTAMP_URL (a time-stamping server): without a" \
    "timestamp the signature, and with it every update, stops being valid when the" \
    "certificate expires" >&2
  exit 2
fi
timestamp=()
[ -n "${ZEL_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$ZEL_SIGN_TIMESTAMP_URL")
mkdir -p "$scratch"
rm -f "$out"
if [ -n "${ZEL_SIGN_PFX:-}" ]; then
  pass=$(mktemp)
  trap 'rm -f "$pass"' EXIT
  printf '%s' "${ZEL_SIGN_PASSWORD:-}" > "$pass"
  osslsigncode sign -pkcs12 "$ZEL_SIGN_PFX" -readpass "$pass" -h sha256 -n "泽米宝" \
    "${timestamp[@]}" -in "$in" -out "$out" >/dev/null
  echo "signed with $ZEL_SIGN_PFX, timestamped by $ZEL_SIGN_TIMESTAMP_URL"
else
  if [ ! -f "$scratch/test.crt" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 \
      -subj "/CN=Zel TEST signing - not a release/O=Zel Tests" \
      -keyout "$scratch/test.key" -out "$scratch/test.crt" 2>/dev/null
    chmod 600 "$scratch/test.key"
  fi
  osslsigncode sign -certs "$scratch/test.crt" -key "$scratch/test.key" -h sha256 -n "泽米宝" \
    "${timestamp[@]}" -in "$in" -out "$out" >/dev/null
  echo "signed with a throwaway TEST certificate ($scratch/test.crt): not for release"
fi
