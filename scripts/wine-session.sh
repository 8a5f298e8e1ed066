# Sourced: starts one wineserver for the build prefix and stops it on exit,
# so every Wine process of the run starts warm.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=$root/build/wineprefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml=
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
fi
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
