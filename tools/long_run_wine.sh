#!/usr/bin/env bash
# A long run of morimo.exe under Wine: N adopt and release cycles of one
# window whose caption moves in and out of a rule (scan period 100 ms),
# each waited for in the recovery file, with the program's GDI and USER
# objects, private bytes, windows and resident memory read before and
# after (the cycle part of tests/e2e/hostile.sh), after a win64 build.
#
#   bash tools/long_run_wine.sh [N] [--build DIR]
#
# N defaults to 2000. Wine's GetGuiResources answers 0 and its private
# bytes 0, so the figures that tell are the windows and the memory.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build=$repo/build/win64
n=2000
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    [0-9]*) n=$1; shift ;;
    *) echo "usage: $0 [N] [--build DIR]" >&2; exit 2 ;;
  esac
done
MORIMO_HOSTILE_FILES=0 MORIMO_HOSTILE_MESSAGES=0 MORIMO_HOSTILE_CYCLES=$n MORIMO_HOSTILE_SHELL=0 \
  exec bash "$repo/tests/e2e/hostile.sh" --build "$build" long-run-wine
