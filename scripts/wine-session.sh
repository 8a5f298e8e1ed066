# Sourced: makes the build prefix ready, starts one wineserver for it and
# stops that server on exit, so every Wine process of the run starts warm.
# Returns non-zero, having said what failed, when Wine cannot be set up.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
source "$root/scripts/wine-prefix.sh"
lumi_prefix_ready || return 1
lumi_persistent_server || return 1
trap 'wineserver -k 2>/dev/null || true' EXIT
# Start Wine's own services now, detached from our output: started by the
# first test instead, they would hold its output pipe open for as long as
# the persistent server lives, and CTest would wait on them.
wineboot >/dev/null 2>&1 </dev/null || true
