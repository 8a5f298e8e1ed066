#!/usr/bin/env bash
# lumitrace's report of a fixture trace in headless Chromium: it renders with
# no console error, shows the fixture's known counts, and leaves a
# screenshot under the build tree for a person to look at.
#   report_browser_test.sh LUMITRACE TRACE OUT_FOLDER
set -euo pipefail
lumitrace=$1 trace=$2 out=$3
command -v chromium >/dev/null || { echo "report_browser_test: chromium is not installed (scripts/setup.sh installs it)"; exit 1; }
mkdir -p "$out"
"$lumitrace" report "$trace" -o "$out/report.html" >/dev/null ||
  { echo "report_browser_test: lumitrace report failed"; exit 1; }

profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
flags=(--headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking
       --disable-component-update --disable-sync "--user-data-dir=$profile" --enable-logging=stderr --v=0)
page="file://$(cd "$out" && pwd)/report.html"
timeout 120 chromium "${flags[@]}" --dump-dom "$page" >"$out/dom.html" 2>"$out/console.log" ||
  { echo "report_browser_test: chromium --dump-dom failed (see $out/console.log)"; exit 1; }
timeout 120 chromium "${flags[@]}" --hide-scrollbars --window-size=1100,2600 --screenshot="$out/report.png" "$page" \
  >/dev/null 2>>"$out/console.log" || { echo "report_browser_test: chromium --screenshot failed"; exit 1; }

failed=0
if grep -q 'CONSOLE' "$out/console.log"; then
  echo "report_browser_test: the page logged to the console:"; grep 'CONSOLE' "$out/console.log"; failed=1
fi
# The figures the page shows, against the fixture's known counts.
expect() {
  grep -q -- "$1" "$out/dom.html" || { echo "report_browser_test: the rendered page lacks $1"; failed=1; }
}
expect 'data-figure="calls">7<'
expect 'data-figure="threads">2<'
expect 'data-figure="exports">7<'
expect 'data-figure="problems">none<'
expect 'data-calls="iIiIIiIii1">1<'
expect 'thread 77: 5 calls'
expect 'thread 78: 2 calls'
expect 'Attempt to Open Buy @'
[ "$(grep -o '<svg' "$out/dom.html" | wc -l)" -ge 2 ] || { echo "report_browser_test: fewer than two charts"; failed=1; }
[ -s "$out/report.png" ] || { echo "report_browser_test: no screenshot"; failed=1; }
[ "$failed" -eq 0 ] && echo "report_browser_test: rendered, figures as expected; screenshot $out/report.png"
exit "$failed"
