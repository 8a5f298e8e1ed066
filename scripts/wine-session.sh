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
# Start Wine's own services now, detached from our output: started by the
# first test instead, they would hold its output pipe open for as long as
# the persistent server lives, and CTest would wait on them.
wineboot >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k 2>/dev/null || true' EXIT
