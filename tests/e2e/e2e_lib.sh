# shellcheck shell=bash
# Shared helpers of the end-to-end scenarios: the real morimo.exe under Wine
# on a virtual X screen, driven with real input (xdotool) and watched with
# morimo_probe.exe.
#
# A scenario script does:
#   source "$(dirname "$0")/e2e_lib.sh"
#   e2e_init "$@"          # --morimo EXE --target EXE --probe EXE --work DIR
#   ... steps using the helpers below ...
#   e2e_done
#
# Each run gets a fresh folder DIR (Wine prefix, control files, screenshots)
# and its own X display; everything it started is ended by process id when
# the script exits, however it exits.
#
# Knobs: MORIMO_E2E_DISPLAY=:97 pins the X display number;
# MORIMO_WINE_LANG picks the locale (default ja_JP.UTF-8, code page 932;
# en_US.UTF-8 gives 1252, hi_IN.UTF-8 65001: a locale without an ANSI code
# page, as a system with "UTF-8 for worldwide language support" is).

E2E_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_CHECKS=0
E2E_MISSED=0
E2E_PIDS=()
MANAGER_CAPTION="MoriMo マネージャ"
LIST_CAPTION="ウインドウ情報の追加と削除"
EDITOR_CAPTION="詳細入力"

e2e_log() { printf '%s [%s] %s\n' "$(date +%T)" "${E2E_NAME:-e2e}" "$*"; }
e2e_step() { printf '\n%s [%s] == %s\n' "$(date +%T)" "${E2E_NAME:-e2e}" "$*"; }

e2e_pass() {
  E2E_CHECKS=$((E2E_CHECKS + 1))
  e2e_log "ok - $*"
}

# A failed check after which the scenario can still go on: counted, and the
# run fails at the end.
e2e_miss() {
  E2E_MISSED=$((E2E_MISSED + 1))
  e2e_log "FAIL - $*"
  e2e_shot "miss$E2E_MISSED" >/dev/null 2>&1 && e2e_log "screenshot: $E2E_WORK/miss$E2E_MISSED.png"
}

# Reports a failed check with what the desktop looks like, then ends the run.
e2e_fail() {
  e2e_log "FAIL - $*"
  if [ -n "${WINEPREFIX:-}" ]; then
    e2e_log "windows at the time of failure:"
    probe list --visible-only 2>&1 | sed 's/^/    /'
    probe tray 2>&1 | sed 's/^/    /'
    e2e_shot "failure" >/dev/null 2>&1 && e2e_log "screenshot: $E2E_WORK/failure.png"
  fi
  exit 1
}

e2e_init() {
  E2E_NAME=$(basename "$0" .sh)
  while [ $# -gt 0 ]; do
    case $1 in
      --morimo) E2E_MORIMO=$2 ;;
      --target) E2E_TARGET=$2 ;;
      --probe) E2E_PROBE=$2 ;;
      --work) E2E_WORK=$2 ;;
      *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift 2
  done
  for v in E2E_MORIMO E2E_TARGET E2E_PROBE E2E_WORK; do
    if [ -z "${!v:-}" ]; then
      echo "usage: $0 --morimo EXE --target EXE --probe EXE --work DIR" >&2
      exit 2
    fi
  done
  for exe in "$E2E_MORIMO" "$E2E_TARGET" "$E2E_PROBE"; do
    [ -f "$exe" ] || { echo "missing $exe" >&2; exit 2; }
  done
  # A fresh prefix per run: no settings or recovery file of an earlier run.
  rm -rf "$E2E_WORK"
  mkdir -p "$E2E_WORK"
  E2E_WORK=$(cd "$E2E_WORK" && pwd)

  # The scenario needs a screen of its own, not the one other Wine tests use.
  unset MORIMO_USE_DISPLAY
  if [ -n "${MORIMO_E2E_DISPLAY:-}" ]; then
    export MORIMO_XVFB_DISPLAY=$MORIMO_E2E_DISPLAY
  else
    unset MORIMO_XVFB_DISPLAY
  fi
  # Every scenario's fresh prefix is a copy of one made once beside them.
  export MORIMO_WINE_TEMPLATE=${MORIMO_WINE_TEMPLATE:-$(dirname "$E2E_WORK")/.wineprefix-template}
  # shellcheck source=../../scripts/wine-env.sh
  source "$E2E_REPO/scripts/wine-env.sh"
  trap e2e_cleanup EXIT
  wine_env_start "$E2E_WORK" || { echo "wine environment did not start" >&2; exit 1; }
  e2e_log "display $DISPLAY, prefix $WINEPREFIX, LANG=$LANG"

  # Windows paths for the target's control and log files (Z: is the root).
  E2E_APPDATA=$(winepath -u "$(probe folder | tr -d '\r')" 2>/dev/null)
  # The settings file's bytes: UTF-8 where that is the ANSI code page,
  # else CP932 (what a Japanese system's file holds, whatever this one is).
  E2E_ACP=$(probe acp)
  E2E_CHARSET=CP932
  [ "$E2E_ACP" != 65001 ] || E2E_CHARSET=UTF-8
  e2e_log "ANSI code page $E2E_ACP"
  [ -d "$E2E_APPDATA" ] || e2e_fail "no local application data folder ($E2E_APPDATA)"
  E2E_DATA="$E2E_APPDATA/MoriMo"
  E2E_INI="$E2E_DATA/MoriMo.ini"
  E2E_HWNDS="$E2E_DATA/hwnds"
}

# e2e_init_from_build BUILD-DIR WORK-NAME: e2e_init with the programs of a
# win64 build folder and the work folder BUILD-DIR/WORK-NAME (the measuring
# tools in tools/ start this way).
e2e_init_from_build() {
  local build=$1 exe found=()
  for exe in morimo.exe morimo_target.exe morimo_probe.exe; do
    found+=("$(find "$build" \( -name wineprefix -o -name CMakeFiles \) -prune -o \
      -name "$exe" -type f -print | head -n1)")
  done
  if [ -z "${found[0]}" ] || [ -z "${found[1]}" ] || [ -z "${found[2]}" ]; then
    echo "build morimo, morimo_target and morimo_probe in $build first" >&2
    exit 2
  fi
  e2e_init --morimo "${found[0]}" --target "${found[1]}" --probe "${found[2]}" --work "$build/$2"
}

e2e_cleanup() {
  # The stop unsets WINEPREFIX: its path is taken first.
  local rc=$? pid prefix=${WINEPREFIX:-}
  for pid in "${E2E_PIDS[@]}"; do
    kill "$pid" 2>/dev/null
  done
  if declare -F wine_env_stop >/dev/null; then
    wine_env_stop
    # A passed scenario's prefix is of no more use; a failed one's stays
    # for a look at its settings and recovery files.
    if [ "$rc" -eq 0 ] && [ "${E2E_KEEP_PREFIX:-0}" != 1 ] && [ -n "$prefix" ] &&
      [[ $prefix == "$E2E_WORK"/* ]]; then
      rm -rf -- "$prefix"
    fi
  fi
}

e2e_done() {
  if [ "$E2E_MISSED" -gt 0 ]; then
    e2e_log "$E2E_MISSED checks failed"
    exit 1
  fi
  e2e_log "all $E2E_CHECKS checks passed"
}

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# morimo_probe.exe with a bound on its run time; output without CRs. The
# probe itself ends with 0, 1 or 2; another status with nothing printed,
# but for the time-out's 124, is Wine failing to start it (seen once in
# many thousand runs), so it is run once more.
probe() {
  local out rc
  out=$(timeout 60 wine "$E2E_PROBE" "$@" 2>/dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}")
  rc=$?
  # `tray` prints on every path it takes, so silence with a failure is Wine
  # not having run it at all (seen once in a full run of the kill test).
  if [ -z "$out" ] && { { [ "$rc" -gt 2 ] && [ "$rc" -ne 124 ]; } ||
                        { [ "$rc" -ne 0 ] && [ "$1" = tray ]; }; }; then
    e2e_log "morimo_probe $1 did not run (status $rc); once more"
    out=$(timeout 60 wine "$E2E_PROBE" "$@" 2>/dev/null | tr -d '\r'; exit "${PIPESTATUS[0]}")
    rc=$?
  fi
  [ -z "$out" ] || printf '%s\n' "$out"
  return "$rc"
}

# probe_field LINE KEY: the value of KEY=... in a probe line.
probe_field() {
  local line=$1 key=$2
  if [ "$key" = caption ] || [ "$key" = text ]; then
    printf '%s\n' "${line#* "$key"=}"
  else
    printf '%s\n' "$line" | tr ' ' '\n' | sed -n "s/^$key=//p" | head -n1
  fi
}

# hwnd_of CAPTION: handle of the one top-level window with that caption.
hwnd_of() {
  local line
  line=$(probe list --caption "$1" | head -n1)
  [ -n "$line" ] || return 1
  probe_field "$line" hwnd
}

# expect_window DESCRIPTION CONDITIONS TIMEOUT_MS FILTER...: waits until every
# window matching FILTER satisfies CONDITIONS (see morimo_probe wait).
expect_window() {
  local what=$1 until=$2 timeout=$3 out
  shift 3
  if out=$(probe wait "$@" --until "$until" --timeout "$timeout"); then
    e2e_pass "$what"
  else
    printf '%s\n' "$out" | sed 's/^/    /'
    e2e_fail "$what (waited ${timeout} ms for $until)"
  fi
}

# soft_expect: like expect_window, but the scenario goes on after a miss.
soft_expect() {
  local what=$1 until=$2 timeout=$3 out
  shift 3
  if out=$(probe wait "$@" --until "$until" --timeout "$timeout"); then
    e2e_pass "$what"
  else
    printf '%s\n' "$out" | sed 's/^/    /'
    e2e_miss "$what (waited ${timeout} ms for $until)"
  fi
}

# wait_for DESCRIPTION SECONDS COMMAND...: polls a shell condition.
wait_for() {
  local what=$1 seconds=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || e2e_fail "$what (waited ${seconds} s)"
    sleep 0.1
  done
  e2e_pass "$what"
}

# poll_for SECONDS COMMAND...: true once COMMAND succeeds within the time.
poll_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# start_target NAME ARGS...: starts morimo_target.exe with a control file,
# a ready file and a log in the work folder; waits until its windows exist.
# Sets TARGET_PID_<NAME>.
start_target() {
  local name=$1
  shift
  local ctl="$E2E_WORK/$name.ctl" ready="$E2E_WORK/$name.ready"
  : >"$ctl"
  rm -f "$ready"
  wine "$E2E_TARGET" --control "$(winpath "$ctl")" --ready "$(winpath "$ready")" \
    --log "$(winpath "$E2E_WORK/$name.log")" "$@" >"$E2E_WORK/$name.out" 2>&1 &
  local pid=$!
  E2E_PIDS+=("$pid")
  printf -v "TARGET_PID_$name" '%s' "$pid"
  local deadline=$((SECONDS + 30))
  until [ -s "$ready" ]; do
    kill -0 "$pid" 2>/dev/null || e2e_fail "target $name ended at start"
    ((SECONDS < deadline)) || e2e_fail "target $name did not open its windows"
    sleep 0.1
  done
}

# target_cmd NAME COMMAND: appends a command to a target's control file.
target_cmd() { printf '%s\n' "$2" >>"$E2E_WORK/$1.ctl"; }

# target_logged NAME TEXT: true when the target's log has that line.
target_logged() { grep -qxF "$2" "$E2E_WORK/$1.log" 2>/dev/null; }

# start_morimo: starts morimo.exe and waits for its manager window. Its
# output goes to morimo.out; E2E_MORIMO_WINEDEBUG, when set, is its
# WINEDEBUG (the probe and the targets keep theirs).
start_morimo() {
  WINEDEBUG=${E2E_MORIMO_WINEDEBUG:-$WINEDEBUG} wine "$E2E_MORIMO" >"$E2E_WORK/morimo.out" 2>&1 &
  MORIMO_PID=$!
  E2E_PIDS+=("$MORIMO_PID")
  local out
  out=$(probe wait --caption "$MANAGER_CAPTION" --class "#32770" --until count=1 --timeout 20000) ||
    e2e_fail "the manager window did not appear: $out"
  MANAGER_HWND=$(hwnd_of "$MANAGER_CAPTION")
  e2e_log "morimo.exe pid $MORIMO_PID, manager window $MANAGER_HWND"
}

# dialog_up CAPTION / dialog_gone CAPTION: one of our dialogs is shown / is
# no more.
dialog_up() { probe wait --caption "$1" --class "#32770" --until count=1,visible=1 --timeout 100 >/dev/null; }
dialog_gone() { probe wait --caption "$1" --class "#32770" --until count=0 --timeout 100 >/dev/null; }

# row_line HWND ID TEXT: the probe's line of the first row whose texts start
# with TEXT; false when there is none yet.
row_line() {
  ROW_LINE=$(probe items --hwnd "$1" --id "$2" | grep -F " texts=$3" | head -n1)
  [ -n "$ROW_LINE" ]
}
# click_row HWND ID TEXT: clicks that row, once the list shows it (a list
# just opened may still be filling).
click_row() {
  local line center
  poll_for 5 row_line "$1" "$2" "$3" || e2e_fail "no row '$3' in list $2"
  line=$ROW_LINE
  center=$(probe_field "$line" center)
  click_at "${center%,*}" "${center#*,}"
}

morimo_running() { kill -0 "$MORIMO_PID" 2>/dev/null; }
morimo_gone() { ! kill -0 "$MORIMO_PID" 2>/dev/null; }

# Real input. Without a window manager, X root coordinates are Wine's screen
# coordinates.
click_at() {
  xdotool mousemove "$1" "$2" click "${3:-1}"
}

# click_window HWND: a click in the middle of a window.
click_window() {
  local l t r b
  IFS=, read -r l t r b <<<"$(probe_field "$(probe list --hwnd "$1")" rect)"
  click_at "$(((l + r) / 2))" "$(((t + b) / 2))"
}

# click_tray_icon INDEX [BUTTON]: the icons lie in the order they came.
click_tray_icon() {
  local index=$1 button=${2:-1} line center
  line=$(probe tray | grep "^icon index=$index ")
  [ -n "$line" ] || e2e_fail "no tray icon $index"
  center=$(probe_field "$line" center)
  click_at "${center%,*}" "${center#*,}" "$button"
}

# click_minimize CAPTION: clicks the minimise box of the window's caption bar.
click_minimize() {
  local line pos
  line=$(probe titlebar --caption "$1") || e2e_fail "no minimise box on '$1': $line"
  pos=$(probe_field "$line" minimize)
  click_at "${pos%,*}" "${pos#*,}"
}

# click_control FILTER... --id N: clicks a dialog control's centre.
click_control() {
  local line pos
  line=$(probe child "$@") || e2e_fail "no control ($*): $line"
  pos=$(probe_field "$line" center)
  click_at "${pos%,*}" "${pos#*,}"
}

# e2e_shot NAME: screenshot of the whole screen into the work folder.
e2e_shot() {
  import -display "$DISPLAY" -window root "$E2E_WORK/$1.png" && echo "$E2E_WORK/$1.png"
}

# e2e_shot_window HWND NAME: screenshot of one window (its rectangle of the
# screen) into the work folder.
e2e_shot_window() {
  local rect l t r b
  rect=$(probe_field "$(probe list --hwnd "$1")" rect)
  IFS=, read -r l t r b <<<"$rect"
  import -display "$DISPLAY" -window root -crop "$((r - l))x$((b - t))+$l+$t" +repage \
    "$E2E_WORK/$2.png" && echo "$E2E_WORK/$2.png"
}

# The recovery file as one handle per line, 0x-hex like the probe prints.
recovery_handles() {
  local v
  for v in $(od -An -v -tu4 -w4 --endian=little "$E2E_HWNDS"); do printf '0x%x\n' "$v"; done
}

# recovery_is HANDLE...: the recovery file lists exactly these, in this order.
recovery_is() { [ -f "$E2E_HWNDS" ] && [ "$(recovery_handles | tr '\n' ' ')" = "$* " ]; }

# ansi TEXT: the bytes that the A functions see for TEXT on this system.
ansi() { printf '%s' "$1" | iconv -f UTF-8 -t "$E2E_CHARSET"; }

# write_ini: writes the settings file from UTF-8 text on stdin, in the ANSI
# code page with CRLF line ends (what the profile functions write on Windows).
write_ini() {
  mkdir -p "$E2E_DATA"
  sed 's/$/\r/' | iconv -f UTF-8 -t "$E2E_CHARSET" >"$E2E_INI"
}

# ini_section NAME "KEY=VALUE ..." [KEY=VALUE ...]: an INI section with the
# given keys in their order, each with its value from the arguments when one
# is given there; argument keys that are not among them follow.
ini_section() {
  local name=$1 defaults=$2 pair key line o
  shift 2
  printf '[%s]\n' "$name"
  for pair in $defaults; do
    key=${pair%%=*}
    line=$pair
    for o in "$@"; do [ "${o%%=*}" = "$key" ] && line=$o; done
    printf '%s\n' "$line"
  done
  for o in "$@"; do
    [[ " $defaults " == *" ${o%%=*}="* ]] || printf '%s\n' "$o"
  done
}

# ini_general [KEY=VALUE ...]: the [General] section of the scenarios, one
# rule, with the given values instead.
ini_general() {
  ini_section General "DisplayWidthStartup=1 ShowTopMost=0 RealyHideOnHidden=0 TimerPeriod=500 \
ShowOnlyHidden=0 TraySpec_Count=1 HotKeyToTray=1832 HotKeyRestore=1830 HotKeyManager=0" "$@"
}

# ini_rule N [KEY=VALUE ...]: rule N with all its keys (a key left out
# would have a default of its own), the given values instead of ours.
ini_rule() {
  local n=$1
  shift
  ini_section "$(printf 'TraySpec_%04d' "$n")" "UseCaption=1 UseClassname=0 HideIfIconized=1 \
UseTrayIcon=1 ShowIconOnlyHidden=0 ShowTopMost=0 CaptionMatchType=1 Caption= ClassName= UserName= \
AlphaPercent=100 AlphaPercentBG=100 HideOnStartup=0 CloseOnStartup=0 TitleStyle=0 \
DisableTitleStyleChanging=0 UseExeName=0 ExeName= ClassMatchType=0" "$@"
}

# ini_pairs FILE: "section|key|value" per line (UTF-8), in file order.
ini_pairs() {
  iconv -f "$E2E_CHARSET" -t UTF-8 "$1" | tr -d '\r' | awk '
    /^\[.*\]$/ { section = substr($0, 2, length($0) - 2); next }
    /=/ { i = index($0, "="); print section "|" substr($0, 1, i - 1) "|" substr($0, i + 1) }'
}

# record_shell_opens: from now on the prefix's shell hands web and mail
# addresses and HTML pages to morimo_probe's recorder, which appends each to
# $SHELL_LOG: what a browser or mail program would have been asked to open.
record_shell_opens() {
  SHELL_LOG=$E2E_WORK/shell-opened.txt
  : >"$SHELL_LOG"
  local command key
  command="\"$(winpath "$E2E_PROBE")\" record \"$(winpath "$SHELL_LOG")\" \"%1\""
  for key in http https mailto htmlfile; do
    wine reg add "HKCR\\$key\\shell\\open\\command" /ve /d "$command" /f >/dev/null 2>&1 ||
      e2e_fail "could not register the recorder for $key"
  done
  # This prefix has no page viewer (mshtml is off), so no .html association.
  wine reg add 'HKCR\.html' /ve /d htmlfile /f >/dev/null 2>&1 ||
    e2e_fail "could not associate .html with the recorder"
}

# shell_opened TEXT: true once the shell was asked to open exactly TEXT.
shell_opened() { grep -qxF "$1" "$SHELL_LOG" 2>/dev/null; }

# open_system_menu HWND: a right click on the window's caption bar opens
# its system menu.
open_system_menu() {
  local line row left
  line=$(probe titlebar --hwnd "$1") || e2e_fail "no caption bar on $1: $line"
  row=$(probe_field "$line" minimize)
  left=$(probe_field "$(probe list --hwnd "$1")" rect)
  click_at $((${left%%,*} + 80)) "${row#*,}" 3
  local out
  out=$(probe wait --class "#32768" --visible-only --until count=1 --timeout 5000) ||
    e2e_fail "the system menu did not open: $out"
}

# pointer_shape: the name of the X pointer's shape (hand2 for the system's
# hand, left_ptr for the arrow).
pointer_shape() { python3 "$E2E_REPO/tests/e2e/pointer_shape.py"; }

# version_macro NAME: a value of res/version.h (MORIMO_<NAME>), quotes taken off.
version_macro() {
  sed -n "s/^#define MORIMO_$1 \"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "$E2E_REPO/res/version.h"
}

# ---- Popup menus ---------------------------------------------------------------
# Under Wine a popup menu is a top-level window of class "#32768" in the
# menu owner's process. Items are clicked where the menu's own pixels put
# them: a screenshot of the window read row by row (menu_rows.awk) gives the
# separators and the text between them, so the clicks follow whatever font
# and size the menu is drawn with. The layout read ("1 4 1 ...": items
# between separators) is compared with the one the caller expects before
# anything is clicked, so a menu of another shape is never clicked blind.
#
# Keys are no alternative here: the menu's owner is the manager window,
# which is hidden, so the X keyboard focus stays on whichever window had it
# (the tray's, after the click on an icon), and Wine does not pass those
# key presses on to the menu.

# The visible popup menus, one probe line each, topmost first.
menu_windows() { probe list --class "#32768" --visible-only; }
no_menu_open() { [ -z "$(menu_windows)" ]; }

# read_menu HWND RECT LAYOUT: polls screenshots of the menu until its
# layout reads LAYOUT; sets MENU_LEFT, MENU_TOP, MENU_RIGHT, MENU_BOTTOM and
# MENU_ROWS (the screen row of each item's middle, items counted without
# separators).
read_menu() {
  local hwnd=$1 want=$3 found="" out deadline=$((SECONDS + 15))
  IFS=, read -r MENU_LEFT MENU_TOP MENU_RIGHT MENU_BOTTOM <<<"$2"
  while ((SECONDS < deadline)); do
    out=$(import -display "$DISPLAY" -window root \
      -crop "$((MENU_RIGHT - MENU_LEFT))x$((MENU_BOTTOM - MENU_TOP))+$MENU_LEFT+$MENU_TOP" \
      +repage txt:- 2>/dev/null | awk -f "$E2E_REPO/tests/e2e/menu_rows.awk")
    found=$(sed -n 's/^layout //p' <<<"$out")
    if [ "$found" = "$want" ]; then
      read -r -a MENU_ROWS <<<"$(sed -n 's/^rows //p' <<<"$out")"
      return 0
    fi
    sleep 0.2
  done
  e2e_fail "menu $hwnd reads as '$found', not '$want'"
}

# wait_new_menu: waits for a visible menu not read before; sets NEW_MENU
# and NEW_MENU_RECT. Menus are made anew at every opening, so one that was
# read before is one that is still closing.
MENUS_READ=" "
wait_new_menu() {
  local deadline=$((SECONDS + 15)) line h
  while ((SECONDS < deadline)); do
    while read -r line; do
      h=$(probe_field "$line" hwnd)
      if [ -n "$h" ] && [[ $MENUS_READ != *" $h "* ]]; then
        NEW_MENU=$h
        NEW_MENU_RECT=$(probe_field "$line" rect)
        MENUS_READ+="$h "
        return 0
      fi
    done <<<"$(menu_windows)"
    sleep 0.1
  done
  return 1
}

# open_icon_menu INDEX LAYOUT WHAT: a right click on tray icon INDEX; the
# menu that opens is read (see read_menu).
open_icon_menu() {
  local index=$1 layout=$2 what=$3
  # A click on the icon while the last menu is still closing would only
  # close it.
  poll_for 10 no_menu_open || e2e_fail "a menu is still open before $what"
  click_tray_icon "$index" 3
  wait_new_menu || e2e_fail "a right click on icon $index opens no menu ($what)"
  MENU_HWND=$NEW_MENU
  read_menu "$MENU_HWND" "$NEW_MENU_RECT" "$layout"
}

# open_submenu ITEM LAYOUT: clicks item ITEM (0-based, separators not
# counted) of the menu read last, a popup item, and reads its submenu.
open_submenu() {
  click_menu_item "$1"
  wait_new_menu || e2e_fail "item $1 opens no submenu"
  SUBMENU_HWND=$NEW_MENU
  read_menu "$SUBMENU_HWND" "$NEW_MENU_RECT" "$2"
}

# click_menu_item ITEM: clicks the item of the menu read last, a third of
# the way across (on its text, clear of the check and submenu marks).
click_menu_item() {
  local y=${MENU_ROWS[$1]:-}
  [ -n "$y" ] || e2e_fail "the menu has no item $1"
  click_at "$((MENU_LEFT + (MENU_RIGHT - MENU_LEFT) / 3))" "$((MENU_TOP + y))"
}

# choose_from_icon_menu INDEX LAYOUT ITEM WHAT: opens the icon's menu and
# clicks one of its items.
choose_from_icon_menu() {
  open_icon_menu "$1" "$2" "$4"
  click_menu_item "$3"
}

# e2e_shot_area NAME X Y W H: a part of the screen into the work folder.
e2e_shot_area() {
  import -display "$DISPLAY" -window root -crop "$4x$5+$2+$3" +repage "$E2E_WORK/$1.png" &&
    echo "$E2E_WORK/$1.png"
}

# area_sum X Y W H: a checksum of what a part of the screen shows.
area_sum() {
  import -display "$DISPLAY" -window root -crop "$3x$4+$1+$2" +repage ppm:- | md5sum
}

# e2e_shot_settled NAME X Y W H [BEFORE]: like e2e_shot_area, once two
# pictures in a row are the same, so that what was just shown has been
# drawn; with BEFORE (an area_sum), first until the area shows something
# else (at most 5 s: a change that never comes is left to the picture).
e2e_shot_settled() {
  local name=$1 x=$2 y=$3 w=$4 h=$5 before=${6:-} last="" now deadline
  deadline=$((SECONDS + 5))
  while [ -n "$before" ] && ((SECONDS < deadline)); do
    [ "$(area_sum "$x" "$y" "$w" "$h")" != "$before" ] && break
    sleep 0.1
  done
  deadline=$((SECONDS + 10))
  while ((SECONDS < deadline)); do
    now=$(area_sum "$x" "$y" "$w" "$h")
    [ "$now" = "$last" ] && break
    last=$now
    sleep 0.2
  done
  e2e_shot_area "$name" "$x" "$y" "$w" "$h"
}

# ---- Hung programs ---------------------------------------------------------------
# The scenarios with a program that stops answering (hang.sh, hang_actions.sh)
# take two more options before e2e_init's: --hang-seconds N (how long each
# hang lasts; default 6, past Wine's 5 s mark after which SMTO_ABORTIFHUNG
# gives up at once) and --build DIR (the programs of a win64 build folder,
# work folder DIR/hang-test/NAME, as e2e_init_from_build). A watcher sends
# to the manager window every 50 ms while a program hangs; the worst answer
# time of all sends is kept in MANAGER_WORST_MS.

e2e_init_hang() {
  HANG_SECONDS=6
  MANAGER_WORST_MS=0
  local build="" args=()
  while [ $# -gt 0 ]; do
    case $1 in
      --hang-seconds) HANG_SECONDS=$2; shift 2 ;;
      --build) build=$2; shift 2 ;;
      *) args+=("$1"); shift ;;
    esac
  done
  if [ -n "$build" ]; then
    e2e_init_from_build "$build" "hang-test/$(basename "$0" .sh)"
  else
    e2e_init "${args[@]}"
  fi
  e2e_log "hangs of $HANG_SECONDS s"
}

note_answer_ms() { (($1 > MANAGER_WORST_MS)) && MANAGER_WORST_MS=$1; return 0; }

# manager_answers WHAT: one message to the manager window with a 1 s
# time-out; a miss if unanswered. Its time counts towards the worst.
manager_answers() {
  local out ms
  out=$(probe send --hwnd "$MANAGER_HWND" --timeout 1000)
  local rc=$?
  ms=$(probe_field "$out" ms)
  note_answer_ms "${ms:-1000}"
  if [ "$rc" = 0 ]; then
    e2e_pass "the manager answers within 1 s ($1): $out"
  else
    e2e_miss "the manager does not answer within 1 s ($1): $out"
  fi
}

# watch_manager_start: from now on a watcher sends WM_NULL to the manager
# window every 50 ms (1 s time-out each) until watch_manager_stop; its
# report is watchN.out in the work folder (N counts the watches).
watch_manager_start() {
  WATCH_COUNT=$((${WATCH_COUNT:-0} + 1))
  WATCH_STOP="$E2E_WORK/watch.stop"
  WATCH_OUT="$E2E_WORK/watch$WATCH_COUNT.out"
  rm -f "$WATCH_STOP"
  timeout 900 wine "$E2E_PROBE" watch --hwnd "$MANAGER_HWND" --timeout 1000 \
    --stop-file "$(winpath "$WATCH_STOP")" >"$WATCH_OUT" 2>/dev/null &
  WATCH_PID=$!
  E2E_PIDS+=("$WATCH_PID")
}

# watch_manager_stop WHAT: ends the watcher; a miss if any send went
# unanswered or took a second or more. A manager that has ended meanwhile
# (the exit) ends the watch as well.
watch_manager_stop() {
  : >"$WATCH_STOP"
  wait "$WATCH_PID"
  local summary worst missed samples
  summary=$(tr -d '\r' <"$WATCH_OUT" | grep '^watch ')
  worst=$(probe_field "$summary" worst)
  missed=$(probe_field "$summary" missed)
  samples=$(probe_field "$summary" samples)
  [ -n "$worst" ] || { e2e_miss "the watcher of the manager gave no summary ($1)"; return; }
  note_answer_ms "$worst"
  if [ "$missed" = 0 ] && ((worst < 1000)); then
    e2e_pass "the manager answered all $samples sends within 1 s ($1), the slowest in $worst ms"
  else
    tr -d '\r' <"$WATCH_OUT" | grep '^slow ' | sed 's/^/    /'
    e2e_miss "the manager left $missed of $samples sends unanswered ($1), the slowest $worst ms"
  fi
}

# hang_target NAME [COMMAND]: the program stops pumping messages (COMMAND:
# hang or minimize-hang); sets HANG_STARTED (SECONDS) and starts the watcher.
hang_target() {
  target_cmd "$1" "${2:-hang}"
  wait_for "program $1 has stopped pumping messages" 10 target_logged "$1" "hang begin"
  HANG_STARTED=$SECONDS
  watch_manager_start
}

# hang_hold WHAT: keeps the hang until HANG_SECONDS have passed since it
# began, the manager answering a message now and then.
hang_hold() {
  while ((SECONDS < HANG_STARTED + HANG_SECONDS)); do
    manager_answers "$1"
    sleep 1
  done
}

# target_alive NAME: the target's process still runs.
target_alive() {
  local pid="TARGET_PID_$1"
  kill -0 "${!pid}" 2>/dev/null
}

# unhang_target NAME WHAT: stops the watcher and lets the program run again.
unhang_target() {
  watch_manager_stop "$2"
  target_alive "$1" || e2e_fail "program $1 has ended while it hung ($2)"
  target_cmd "$1" unhang
  wait_for "program $1 runs again" 10 target_logged "$1" "hang end"
  : >"$E2E_WORK/$1.log"
}

# print_worst_answer: the figure the scenario ends with.
print_worst_answer() { e2e_log "worst manager answer time: $MANAGER_WORST_MS ms"; }

# ---- Damaged input, long runs ---------------------------------------------------

# question_up: a box of ours with a Yes button (IDYES) is shown.
question_up() { probe child --same-process "$MANAGER_HWND" --visible-only --id 6 >/dev/null; }

# morimo_boxes: probe lines of the visible dialogs of morimo.exe other than
# the manager (message boxes: a question, or an exception caught).
morimo_boxes() {
  probe list --same-process "$MANAGER_HWND" --class "#32770" --visible-only |
    grep -v "^hwnd=$MANAGER_HWND "
}

# morimo_crash_signs: lines of morimo.exe's output that tell of a crash.
morimo_crash_signs() {
  grep -aiE 'unhandled|winedbg|backtrace|page fault|stack overflow|abnormal' \
    "$E2E_WORK/morimo.out" 2>/dev/null | head -n 3
}

# morimo_vm KEY: a /proc status figure of morimo.exe's Linux process in kB
# (VmHWM: the peak resident memory, VmRSS: now).
morimo_vm() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$MORIMO_PID/status" 2>/dev/null; }

# post_to HWND NAME "post MSG WPARAM LPARAM": one message posted to a window
# of ours by morimo_probe (the line kept in NAME.txt of the work folder).
post_to() {
  printf '%s\n' "$3" >"$E2E_WORK/$2.txt"
  probe storm --hwnd "$1" --file "$(winpath "$E2E_WORK/$2.txt")" >/dev/null
}

# post_exit_command: the manager's exit button's command, posted. A button's
# click names the button. Posted: under Wine a sent one that the manager,
# busy with a long tick, had not taken when the sender gave up was never
# acted on; and a sender waits while the question is open.
post_exit_command() {
  local button
  button=$(probe_field "$(probe child --hwnd "$MANAGER_HWND" --id 1000)" hwnd)
  post_to "$MANAGER_HWND" exit-command "post 0x111 1000 ${button:-0}"
}

# post_yes BOX: Yes (IDYES) to the question box BOX, posted.
post_yes() { post_to "$1" yes-command "post 0x111 6 0"; }

# exit_morimo: the manager's exit button (its command, posted) and Yes to the
# question, without real input: this works with the manager hidden, and
# wherever the X focus is. True when morimo.exe ends with exit code 0
# within 20 s; MORIMO_RC holds the code.
exit_morimo() {
  local box="" deadline=$((SECONDS + 20))
  MORIMO_RC=
  post_exit_command
  while ((SECONDS < deadline)) && morimo_running; do
    box=$(morimo_boxes | head -n1)
    [ -z "$box" ] || post_yes "$(probe_field "$box" hwnd)"
    sleep 0.2
  done
  morimo_running && return 1
  wait "$MORIMO_PID"
  MORIMO_RC=$?
  [ "$MORIMO_RC" = 0 ]
}

# other_window_hides_and_shows WHEN: the window $OTHER of program B hides
# when minimised and comes back from its tray icon (the second of ours)
# while program H hangs.
other_window_hides_and_shows() {
  click_minimize "$OTHER"
  soft_expect "the other window hides when minimised ($1)" visible=0 5000 --caption "$OTHER"
  # A program that has ended takes its icon along, and the other's moves up.
  target_alive H || e2e_fail "program H has ended ($1)"
  click_tray_icon 2
  soft_expect "the other window comes back from its icon ($1)" visible=1,iconic=0 5000 \
    --caption "$OTHER"
}

# start_hung_and_other X,Y: morimo.exe, then program H with window $HUNG
# and program B with window $OTHER at X,Y, each adopted in turn; sets
# HWND_H and HWND_B.
start_hung_and_other() {
  e2e_step "morimo.exe manages two windows of two programs"
  start_morimo
  start_target H --caption "$HUNG" --pos 300,100
  HWND_H=$(hwnd_of "$HUNG")
  wait_for "the first window is adopted" 10 recovery_is "$MANAGER_HWND" "$HWND_H"
  start_target B --caption "$OTHER" --pos "$1"
  HWND_B=$(hwnd_of "$OTHER")
  wait_for "the second window is adopted" 10 recovery_is "$MANAGER_HWND" "$HWND_H" "$HWND_B"
  local tray
  tray=$(probe tray --count 3 --timeout 5000) || e2e_fail "want 3 tray icons: $tray"
  e2e_pass "three tray icons: manager, hung-to-be, other"
}
