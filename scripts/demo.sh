#!/usr/bin/env bash
# demo.sh <build-dir>: MoriMo for a first look; `bash scripts/run.sh --demo`
# builds what it needs and runs this. It makes a throwaway Wine prefix (not
# the build's own), writes a sample settings file there and opens three
# windows of our test program, one for each sample rule:
#   "MoriMo demo - hidden at start"          hidden as soon as it is taken
#   "MoriMo demo - half transparent when inactive"
#   "MoriMo demo - always on top"
# Every rule also hides its window when it is minimised. On a virtual
# display it saves two screenshots (the desktop, a tray menu open) and says
# where. It stays in the foreground while MoriMo runs; Ctrl+C (or MoriMo's
# exit) ends everything and removes the prefix.
#
# Knobs (environment): MORIMO_DEMO_SHOTS=DIR where the screenshots go
# (default <build-dir>/demo); MORIMO_DEMO_QUIT=1 ends the demo once the
# screenshots are taken (to check the demo itself).
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
build_dir=${1:?usage: demo.sh <build-dir>}
exe=$build_dir/app/morimo.exe
target=$build_dir/tools/morimo_target.exe
probe_exe=$build_dir/tools/morimo_probe.exe
shots=${MORIMO_DEMO_SHOTS:-$build_dir/demo}

say() { echo "demo: $*"; }
fail() {
  echo "demo: $*" >&2
  exit 1
}
for f in "$exe" "$target" "$probe_exe"; do
  [ -f "$f" ] || fail "missing $f (build it first: bash scripts/run.sh --demo)"
done

HIDDEN="MoriMo demo - hidden at start"
FADED="MoriMo demo - half transparent when inactive"
ONTOP="MoriMo demo - always on top"

# Your own screen if there is one; a virtual one otherwise.
virtual=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export MORIMO_USE_DISPLAY=1
  virtual=0
else
  unset MORIMO_USE_DISPLAY
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/morimo-demo.XXXXXX") || fail "no temporary folder"
# shellcheck source=scripts/wine-env.sh
source scripts/wine-env.sh
cleanup() {
  trap '' INT HUP TERM
  wine_env_stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 129' HUP
trap 'exit 143' TERM

say "a throwaway Wine prefix in $work (made afresh, that takes a minute)"
wine_env_start "$work" || fail "Wine did not start (see $work/wine-env.log)"
# Also when this script is killed in a way its traps never see.
wine_env_stop_with $$ "$work"

probe() { timeout 60 wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }

# A rule with all sixteen keys: a key left out has a default of its own.
rule() {  # SECTION CAPTION USER-NAME HIDE-ON-START INACTIVE-ALPHA TOPMOST
  cat <<INI
[$1]
UseCaption=1
UseClassname=0
HideIfIconized=1
UseTrayIcon=1
ShowIconOnlyHidden=0
ShowTopMost=$6
CaptionMatchType=0
Caption=$2
ClassName=
UserName=$3
AlphaPercent=100
AlphaPercentBG=$5
HideOnStartup=$4
CloseOnStartup=0
TitleStyle=0
DisableTitleStyleChanging=0
INI
}

# %LOCALAPPDATA%\MoriMo\MoriMo.ini of the prefix, in code page 932 with
# CRLF line ends, as the profile functions write it on a Japanese system.
data=$(winepath -u "$(probe folder)" 2>/dev/null)/MoriMo
mkdir -p "$data" || fail "no data folder $data"
{
  cat <<'INI'
[General]
DisplayWidthStartup=1
ShowTopMost=0
RealyHideOnHidden=0
TimerPeriod=500
ShowOnlyHidden=0
TraySpec_Count=3
INI
  rule TraySpec_0000 "$HIDDEN" "起動時に隠す" 1 100 0
  rule TraySpec_0001 "$FADED" "非アクティブ時に半透明" 0 50 0
  rule TraySpec_0002 "$ONTOP" "常に最前面" 0 100 1
} | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$data/MoriMo.ini" || fail "writing the settings failed"

wine "$exe" >"$work/morimo.out" 2>&1 &
morimo=$!
probe tray --count 1 --timeout 60000 >/dev/null || fail "MoriMo's tray icon did not come"
# One window at a time, so that the icons lie in the order of the rules.
icons=1
for spec in "$HIDDEN|140,160" "$FADED|260,110" "$ONTOP|420,250"; do
  wine "$target" --caption "${spec%|*}" --pos "${spec#*|}" --size 420,200 >/dev/null 2>&1 &
  icons=$((icons + 1))
  probe tray --count "$icons" --timeout 60000 >/dev/null || fail "'${spec%|*}' was not taken"
done
probe wait --caption "$HIDDEN" --until visible=0 --timeout 10000 >/dev/null ||
  fail "the first window was not hidden"

if [ "$virtual" = 1 ]; then
  mkdir -p "$shots"
  shots=$(cd "$shots" && pwd)
  import -display "$DISPLAY" -window root -crop 900x520+0+0 +repage "$shots/desktop.png" ||
    fail "no screenshot"
  # The tray menu of the half-transparent window (its icon is the third).
  center=$(probe tray | sed -n 's/^icon index=2 .* center=\([0-9]*,[0-9]*\) .*/\1/p')
  xdotool mousemove "${center%,*}" "${center#*,}" click 3
  probe wait --class "#32768" --visible-only --until count=1 --timeout 10000 >/dev/null ||
    fail "the tray menu did not open"
  # Drawn once two pictures in a row are the same.
  last=""
  for _ in $(seq 50); do
    now=$(import -display "$DISPLAY" -window root -crop 900x520+0+0 +repage ppm:- | md5sum)
    [ "$now" = "$last" ] && break
    last=$now
    sleep 0.2
  done
  import -display "$DISPLAY" -window root -crop 900x520+0+0 +repage "$shots/tray-menu.png"
  # A click on the empty desktop closes the menu.
  xdotool mousemove 1200 1000 click 1
  say "screenshots: $shots/desktop.png, $shots/tray-menu.png"
fi

if [ "${MORIMO_DEMO_QUIT:-}" = 1 ]; then
  say "done (MORIMO_DEMO_QUIT=1)"
  exit 0
fi

cat <<EOF

MoriMo runs with three sample rules, each for one window of ours. The icons
in the "Wine System Tray" window are, from the left: MoriMo itself, then
  2  "$HIDDEN": hidden by its rule; a left click shows it, another hides it
  3  "$FADED": half transparent while another window is active
  4  "$ONTOP": stays above the others
Try: a right click on an icon (its menu: show, hide, opacity, always on
top, title bar style), minimising a window (it leaves the screen, its icon
brings it back), a left click on MoriMo's icon (the manager window) and a
right click on it (help, exit). Transparency needs a compositing window
manager; on a virtual display it does not show.
EOF
if [ "$virtual" = 1 ]; then
  cat <<EOF
The display is virtual ($DISPLAY):
  look:   DISPLAY=$DISPLAY import -window root screen.png
  use:    x11vnc -display $DISPLAY -localhost -nopw   (then a VNC viewer on localhost:5900)
EOF
fi
echo "Stop: Ctrl+C here, or 終了 in MoriMo's own menu."

# Ends when MoriMo does; a Windows program under Wine ignores Ctrl+C, so the
# script waits for it (a signal interrupts the wait) and its exit trap ends
# the Wine processes.
wait "$morimo"
