#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing Zel.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

pkgs=(cmake ninja-build g++ make googletest nlohmann-json3-dev
      g++-mingw-w64-i686-posix binutils-mingw-w64-i686
      wine wine32:i386 xvfb xauth xdotool imagemagick python3 file
      chromium fonts-wqy-microhei locales)
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done
[ ${#need[@]} -eq 0 ] && exit 0

SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
