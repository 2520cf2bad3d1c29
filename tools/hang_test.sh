#!/usr/bin/env bash
# The hung-program scenarios (tests/e2e/hang.sh and hang_actions.sh) with
# long hangs: each hang lasts N seconds (default 30) instead of the test's 6,
# and the worst time the manager took to answer a message over both runs
# is printed, with the machine's load.
#
#   bash tools/hang_test.sh [--build DIR] [--hang-seconds N]
#
# DIR is the win64 build folder (default build/win64; build morimo,
# morimo_target and morimo_probe there first). Each scenario's log and work
# folder are under DIR/hang-test/. MORIMO_E2E_DISPLAY=:97 pins the X display.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/win64"
seconds=30
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --hang-seconds) seconds=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--hang-seconds N]" >&2; exit 2 ;;
  esac
done
mkdir -p "$build/hang-test"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
worst=0
failed=0
results=()
for scenario in hang hang_actions; do
  log="$build/hang-test/$scenario.log"
  start=$SECONDS
  bash "$repo/tests/e2e/$scenario.sh" --build "$build" --hang-seconds "$seconds" >"$log" 2>&1
  rc=$?
  ms=$(sed -n 's/.*worst manager answer time: \([0-9]*\) ms.*/\1/p' "$log" | tail -n1)
  [ "$rc" = 0 ] || failed=$((failed + 1))
  [ -n "$ms" ] && ((ms > worst)) && worst=$ms
  results+=("$(printf '  %-13s %s in %d s, worst answer %s ms (log %s)' "$scenario" \
    "$([ "$rc" = 0 ] && echo passed || echo FAILED)" $((SECONDS - start)) "${ms:-?}" "$log")")
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

echo "hung programs, hangs of $seconds s (Wine $(wine --version 2>/dev/null), $(nproc) cores)"
printf '%s\n' "${results[@]}"
echo "  load average before: $load_before, after: $load_after"
echo "worst manager answer time: $worst ms"
[ "$failed" = 0 ]
