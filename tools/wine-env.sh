# Sourced: the Wine of one build's bitness.  zel_wine_env BITS STATE_DIR
# Prints the lines to put into an environment file and exports the same in the caller.
# 32: Debian's `wine` as it is, a 32-bit prefix. 64: wine64 in a 64-bit prefix. The `wine`
# wrapper prefers the 32-bit loader whenever wine32 is installed, which cannot start on a host
# that runs no 32-bit code, so a shim first on PATH names wine64 for every tool (wineboot too).
zel_wine_env() {
  local bits=$1 state=$2
  if [ "$bits" = 64 ]; then
    mkdir -p "$state/wine64-bin"
    local shim
    for shim in wine wine-stable; do
      cat >"$state/wine64-bin/$shim" <<'SHIM'
#!/bin/sh
export WINELOADER=/usr/lib/wine/wine64
exec /usr/lib/wine/wine64 "$@"
SHIM
      chmod +x "$state/wine64-bin/$shim"
    done
    export PATH="$state/wine64-bin:$PATH" WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64
    printf 'export PATH="%s:$PATH"\nexport WINEARCH=win64\nexport WINELOADER=/usr/lib/wine/wine64\n' \
      "$state/wine64-bin"
  else
    export WINEARCH=win32
    printf 'export WINEARCH=win32\n'
  fi
}
