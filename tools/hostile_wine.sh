#!/usr/bin/env bash
# morimo.exe under Wine on N damaged settings files and N damaged recovery
# files (one start each), then thousands of its private messages with
# random parameters from another process: the long form of the end-to-end
# scenario tests/e2e/hostile.sh, after a win64 build.
#
#   bash tools/hostile_wine.sh [N] [--build DIR] [--seed S] [--messages M]
#
# N defaults to 100, M to 5000; the seed is printed, and the same seed
# makes the same files and messages again. Prints each start's peak memory
# (VmHWM of the Linux process) and a FAIL line for each crash, hang,
# message box, unclean exit, left recovery file or window not given back.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/win64
n=100
messages=5000
seed=${MORIMO_HOSTILE_SEED:-$(date +%s)}
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --messages) messages=$2; shift 2 ;;
    [0-9]*) n=$1; shift ;;
    *) echo "usage: $0 [N] [--build DIR] [--seed S] [--messages M]" >&2; exit 2 ;;
  esac
done
MORIMO_HOSTILE_SEED=$seed MORIMO_HOSTILE_FILES=$n MORIMO_HOSTILE_MESSAGES=$messages \
  MORIMO_HOSTILE_CYCLES=0 MORIMO_HOSTILE_SHELL=0 \
  exec bash "$repo/tests/e2e/hostile.sh" --build "$build" hostile-wine
