#!/usr/bin/env bash
# run.sh: sets up what is missing, builds morimo.exe and starts it under Wine.
#
# It runs on your X display when there is one ($DISPLAY answers), otherwise
# on a virtual one, and then says how to look at it and click it. It stays
# in the foreground while MoriMo runs; Ctrl+C (or the manager's exit button)
# ends MoriMo and the Wine processes and virtual display it started.
#
#   bash scripts/run.sh --demo   a first look: MoriMo in a throwaway Wine
#                                prefix with three sample rules and windows
#                                (scripts/demo.sh)
#
# Knobs (environment):
#   MORIMO_BUILD_DIR=build/win64   the Windows build folder (its wineprefix/
#                                  holds MoriMo's settings between runs)
#   MORIMO_XVFB_DISPLAY=:99        the virtual display number to use
#   MORIMO_WINE_LANG=en_US.UTF-8   another locale (default Japanese, code page 932)
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build_dir=${MORIMO_BUILD_DIR:-build/win64}

fail() {
  echo "run.sh: $*" >&2
  exit 1
}

demo=0
case ${1:-} in
  --demo) demo=1 ;;
  "") ;;
  *)
    echo "usage: run.sh [--demo]" >&2
    exit 2
    ;;
esac

bash scripts/setup.sh || fail "setting up failed"

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  if [ "$build_dir" = build/win64 ]; then
    cmake --preset win64 || fail "configuring failed"
  else
    cmake -S . -B "$build_dir" --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release ||
      fail "configuring failed"
  fi
fi
if [ "$demo" = 1 ]; then
  # The sample windows are our test program's; the probe finds the icons.
  cmake --build "$build_dir" --target morimo morimo_target morimo_probe -j2 || fail "building failed"
  exec bash scripts/demo.sh "$build_dir"
fi
cmake --build "$build_dir" --target morimo -j2 || fail "building failed"
exe=$build_dir/app/morimo.exe

# Your own screen if there is one; a virtual one otherwise.
virtual=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export MORIMO_USE_DISPLAY=1
  virtual=0
else
  unset MORIMO_USE_DISPLAY
fi

# The Wine environment's functions report through their status (they are
# written to be sourced, so they never exit).
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
wine_env_start "$build_dir" || fail "Wine did not start (see $build_dir/wine-env.log)"
# Also when this script is killed in a way its traps never see.
wine_env_stop_with $$
cleanup() {
  # A second Ctrl+C must not cut the clean-up short.
  trap '' INT HUP TERM
  wine_env_stop
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 129' HUP
trap 'exit 143' TERM

if [ "$virtual" = 1 ]; then
  cat <<EOF

MoriMo runs on the virtual X display $DISPLAY (no screen of yours answered).
  Look at it:   DISPLAY=$DISPLAY import -window root morimo-screen.png
                (then open morimo-screen.png in any image viewer)
  Open the manager window: left-click MoriMo's tray icon, the first one in
  the "Wine System Tray" window:
                DISPLAY=$DISPLAY xdotool search --name 'Wine System Tray' mousemove --window %1 12 31 click 1
  Watch and use it live, if x11vnc is installed:
                x11vnc -display $DISPLAY -localhost -nopw   (then a VNC viewer on localhost:5900)
  Stop:         Ctrl+C here, or the manager's 終了 button.

EOF
else
  echo "MoriMo runs on your display $DISPLAY: its tray icon opens the manager window." \
    "Ctrl+C here or the manager's 終了 button stops it."
fi

settings=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local/MoriMo 2>/dev/null | head -1)
if [ -n "$settings" ]; then
  echo "Settings and recovery file: $settings"
fi

# The script ends when MoriMo does. A Windows GUI program under Wine ignores
# Ctrl+C, so the script waits for it (a wait that a signal interrupts) and
# its exit trap ends the Wine processes.
wine "$exe" &
wait $!
exit $?
