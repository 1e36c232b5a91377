#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing Zel.
# Idempotent: does nothing when everything is already there.
# Both MinGW toolchains and wine64 always; the i386 architecture and wine32 only where the host
# runs 32-bit code (elsewhere wine32 installs but cannot start).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bits=${ZEL_HOST_BITS:-$(bash "$here/hostbits.sh" | cut -f1)}

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

pkgs=(cmake ninja-build g++ make googletest nlohmann-json3-dev
      g++-mingw-w64-i686-posix binutils-mingw-w64-i686
      g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
      wine wine64 xvfb xauth xdotool imagemagick python3 file
      clang-14 libclang-rt-14-dev osslsigncode openssl nsis p7zip-full
      chromium fonts-wqy-microhei locales)
[ "$bits" = 32 ] && pkgs+=(wine32:i386)
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done
[ ${#need[@]} -eq 0 ] && exit 0

SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [ "$bits" = 32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
