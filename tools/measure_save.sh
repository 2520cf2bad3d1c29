#!/usr/bin/env bash
# Cost of saving and loading the settings file under Wine, on the real
# profile and file functions (tools/measure_save/measure_save.cpp):
#
#   bash tools/measure_save.sh [--build DIR] [--repeat N] [COUNT...]
#
# DIR is the win64 build folder (default build/win64); COUNT rule counts
# (default 10 100 1000). Uses the Wine environment of DIR when one is
# started, else starts one and ends it afterwards. Prints the median times
# and the machine's load average: times under Wine swing with the load.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/win64"
args=()
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --repeat) args+=(--repeat "$2"); shift 2 ;;
    [0-9]*) args+=("$1"); shift ;;
    *) echo "usage: $0 [--build DIR] [--repeat N] [COUNT...]" >&2; exit 2 ;;
  esac
done
exe="$build/tools/morimo_measure_save.exe"
if [ ! -f "$exe" ]; then
  echo "build morimo_measure_save in $build first" >&2
  exit 2
fi

source "$repo/scripts/wine-env.sh"
started=
if [ ! -f "$build/wine-env.txt" ]; then
  wine_env_start "$build" || exit 1
  started=1
fi
# A save of a thousand rules key by key takes minutes.
MORIMO_WINE_TIMEOUT=${MORIMO_WINE_TIMEOUT:-3600} bash "$repo/scripts/wine-run.sh" "$exe" "${args[@]}"
rc=$?
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores; Wine $(wine --version 2>/dev/null))"
[ -n "$started" ] && wine_env_stop "$build"
exit "$rc"
