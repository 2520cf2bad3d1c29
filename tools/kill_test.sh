#!/usr/bin/env bash
# The kill test: N rounds (default 50) of tests/e2e/kill.sh with the
# programs of a win64 build: morimo.exe killed at a random moment with
# windows hidden and changed, started again, every window checked.
#
#   bash tools/kill_test.sh [N] [--build DIR] [--seed S] [--stop-after SECONDS]
#
# DIR is the win64 build folder (default build/win64); the work folder is
# DIR/kill-test. Ends with the figure
#   kill test: N rounds, H windows hidden or changed at the kills, L lost
# MORIMO_E2E_DISPLAY=:97 pins the X display.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/win64"
rounds=50
extra=()
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --seed | --stop-after) extra+=("$1" "$2"); shift 2 ;;
    [0-9]*) rounds=$1; shift ;;
    *) echo "usage: $0 [N] [--build DIR] [--seed S] [--stop-after SECONDS]" >&2; exit 2 ;;
  esac
done
echo "load before: $(cat /proc/loadavg)"
bash "$repo/tests/e2e/kill.sh" --rounds "$rounds" "${extra[@]}" --build "$build"
rc=$?
echo "load after: $(cat /proc/loadavg)"
exit $rc
