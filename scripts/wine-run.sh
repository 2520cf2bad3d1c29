#!/usr/bin/env bash
# wine-run.sh <program.exe> [args...]
# Runs a Windows program under Wine and returns its exit code. CTest uses it
# as the emulator of the cross build. The environment comes from, in order:
# $MORIMO_WINE_ENV (a wine-env.txt), the wine-env.txt at the root of the
# program's build tree (written by wine_env_start), or the caller's own
# environment when it already names a Wine prefix and a display.
# MORIMO_WINE_TIMEOUT bounds the run (seconds, default 300).
# Its own complaints go to standard output: CTest's test discovery shows only
# that.
set -u

complain() { echo "wine-run.sh: $*"; }

if [ $# -lt 1 ]; then
  echo "usage: wine-run.sh <program.exe> [args...]" >&2
  exit 2
fi
exe=$1
shift

find_env_file() {
  local dir
  dir=$(dirname "$(readlink -f "$exe")")
  while :; do
    if [ -f "$dir/wine-env.txt" ]; then
      echo "$dir/wine-env.txt"
      return 0
    fi
    # The build tree's root holds the file; do not wander into another tree.
    if [ -f "$dir/CMakeCache.txt" ] || [ "$dir" = / ]; then
      return 1
    fi
    dir=$(dirname "$dir")
  done
}

env_file=${MORIMO_WINE_ENV:-}
if [ -z "$env_file" ]; then
  env_file=$(find_env_file) || env_file=
fi
if [ -n "$env_file" ]; then
  # shellcheck disable=SC1090
  source "$env_file" || exit 2
elif [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  complain "no Wine environment for $exe;" \
    "start one first: source scripts/wine-env.sh && wine_env_start <build-dir>"
  exit 2
fi

# A stale environment (its X server gone) would otherwise fail obscurely.
display_number=${DISPLAY#*:}
display_number=${display_number%%.*}
if [ "${DISPLAY:0:1}" = ":" ] && [ ! -S "/tmp/.X11-unix/X$display_number" ]; then
  complain "the X display $DISPLAY is not running (${env_file:-environment})"
  exit 2
fi

limit=${MORIMO_WINE_TIMEOUT:-300}
timeout --foreground -k 10 "$limit" wine "$exe" "$@"
rc=$?
if [ "$rc" -eq 124 ]; then
  complain "$exe ran longer than $limit s and was stopped"
fi
exit "$rc"
