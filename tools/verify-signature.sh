#!/usr/bin/env bash
# Checks the Authenticode signature of the shipped executable and names its signer.
#   verify-signature.sh <exe> <scratch dir of sign.sh>
# A test-signed build is checked against its own test certificate; a release against the
# system's trusted roots.
set -euo pipefail
exe=$1 scratch=$2
ca=()
[ -z "${ZEL_SIGN_PFX:-}" ] && [ -f "$scratch/test.crt" ] && ca=(-CAfile "$scratch/test.crt")
report=$(osslsigncode verify "${ca[@]}" -in "$exe" 2>&1) || { echo "$report"; exit 1; }
# The first signer's names, the digest algorithm, and the verdict.
grep -m1 -E "^Message digest algorithm" <<<"$report"
grep -m2 -E "^\s+(Subject|Issuer) *:" <<<"$report" | sed 's/^\s*/signer /'
grep -E "^Signature verification" <<<"$report"
grep -q "^Signature verification: ok" <<<"$report"
