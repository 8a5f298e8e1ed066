# Sourced: the build tree's own Wine prefix, so a developer's own Wine
# settings stay untouched, and the steps that make it ready to run programs.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${LUMI_WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Creates the prefix if it is missing. wineboot returns while its server and
# services still run, and the registry files appear only when that server
# exits: wait for it, so no later step meets a half-made prefix or a server
# it did not start.
lumi_prefix_ready() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$WINEPREFIX"
  if ! wineboot --init >/dev/null 2>&1; then
    echo "wine: 'wineboot --init' failed for $WINEPREFIX" >&2
    return 1
  fi
  wineserver -w
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: $WINEPREFIX has no system.reg after 'wineboot --init'" >&2
    return 1
  fi
}

# Starts one wineserver for the prefix that stays until it is killed. A
# server already running there (another run's, or one winding down) cannot
# be made persistent, so it is waited out first.
lumi_persistent_server() {
  local attempt
  for attempt in 1 2 3; do
    wineserver -p 2>/dev/null && return 0
    wineserver -w
  done
  echo "wine: could not start a persistent wineserver for $WINEPREFIX" >&2
  return 1
}
