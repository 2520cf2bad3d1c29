#!/usr/bin/env bash
# morimo.exe killed (kill -9) with windows hidden and changed, then started
# again on the same settings and recovery files: every window it had hidden
# or changed must be visible and reachable again, or managed again with its
# tray icon, within ten seconds; the restarted program's orderly exit must
# then give every window back as it was found; and the settings file must be
# the old one or the new one, whole.
#
#   bash tests/e2e/kill.sh [--rounds N] [--seed S] --morimo EXE --target EXE --probe EXE --work DIR
#   bash tests/e2e/kill.sh [--rounds N] [--seed S] --build DIR   (the programs of a win64 build)
# --stop-after SECONDS starts no round after that many seconds of the run.
#
# Each round is one session: windows hidden by minimising (rule
# HideIfIconized=1), one hidden from its tray menu's 隠す, one at 0 % by its
# rule, one a tool window by its rule, one without a title bar from its tray
# menu, one left alone; the windows opened during an adoption come under
# the 0 % rule. The moment of the kill goes round four kinds:
# adoption (new windows just shown), save (a setting changed, the rule list
# opened and closed, which saves; the kill follows the first sign of the
# save on disk), the rule list open, and a plain random moment; the delay
# within each is random (--seed repeats it).
# A round whose setting-up fails is reported and skipped, not counted.
# Ends with the line
#   kill test: N rounds, H windows hidden or changed at the kills, L lost
set -u
source "$(dirname "$0")/e2e_lib.sh"

ROUNDS=3
SEED=$$
BUILD=""
STOP_AFTER=""
init_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --rounds) ROUNDS=$2; shift 2 ;;
    --seed) SEED=$2; shift 2 ;;
    --build) BUILD=$2; shift 2 ;;
    --stop-after) STOP_AFTER=$2; shift 2 ;;
    *) init_args+=("$1"); shift ;;
  esac
done
if [ -n "$BUILD" ]; then
  e2e_init_from_build "$BUILD" kill-test
  E2E_NAME=kill
else
  e2e_init "${init_args[@]}"
fi
RANDOM=$SEED
e2e_log "$ROUNDS rounds, seed $SEED (--seed $SEED repeats the moments)"

# The tray menu as res/morimo.rc lays it out (see menus.sh).
TRAY_LAYOUT="1 4 1 3 4 1 1"
T_HIDE=2 T_TITLE_NONE=12
KINDS=(adoption save dialog random)
read -r SCREEN_W SCREEN_H <<<"$(xdotool getdisplaygeometry)"
RESULTS=$E2E_WORK/rounds.txt
# A round runs in a process of its own; it goes first if the run is ended.
ROUND_PID=""
trap '[ -n "$ROUND_PID" ] && kill "$ROUND_PID" 2>/dev/null && wait "$ROUND_PID"; e2e_cleanup' EXIT
: >"$RESULTS"

rule() {  # N CAPTION ALPHA TITLESTYLE
  ini_rule "$1" "Caption=$2" "UserName=$2" "AlphaPercent=$3" "AlphaPercentBG=$3" "TitleStyle=$4"
}

# Every key present, so that a save changes ShowTopMost's value alone: the
# new file is the old one with that line changed.
settings() {
  ini_general TraySpec_Count=3
  rule 0 "キルZ" 0 0
  rule 1 "キルT" 100 1
  rule 2 "キル" 100 0
}

# press_button ID: the manager's button ID, as its click reaches the
# manager (WM_COMMAND with the button's handle); returns at once, whatever
# the button opens.
press_button() {
  local button
  button=$(probe_field "$(probe child --hwnd "$MANAGER_HWND" --id "$1")" hwnd)
  probe send --hwnd "$MANAGER_HWND" --msg 0x111 --wparam "$1" --lparam "$button" --timeout 100 >/dev/null
}

# menu_command ICON ITEM WHAT CONDITIONS FILTER...: clicks item ITEM of the
# icon's tray menu until the window matching FILTER meets CONDITIONS, at
# most three times: a right click that comes while the manager is in the
# middle of a scan is dropped (by design), as is a change asked of a
# program that is busy for a moment.
menu_command() {
  local icon=$1 item=$2 what=$3 until=$4 attempt
  shift 4
  for attempt in 1 2 3; do
    poll_for 10 no_menu_open || e2e_fail "a menu is still open before $what"
    click_tray_icon "$icon" 3
    if wait_new_menu; then
      MENU_HWND=$NEW_MENU
      read_menu "$MENU_HWND" "$NEW_MENU_RECT" "$TRAY_LAYOUT"
      click_menu_item "$item"
      probe wait "$@" --until "$until" --timeout 5000 >/dev/null && return 0
    fi
    e2e_log "$what: not done at try $attempt"
  done
  e2e_fail "$what: not done after three tries"
}

rand_ms() { echo $((RANDOM % $1)); }
sleep_ms() { sleep "$(printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)))"; }

# win_state LINE: sets STATE to "back" for a window as it was found
# (visible, not minimised, on the screen, opaque, its own title bar), else
# to what is wrong, and CAPTION; read without a process of its own (these
# run for every window many times a round).
WINDOW_RE='visible=([01]) iconic=([01]) .* alpha=([0-9]+) style=(0x[0-9a-f]+) exstyle=(0x[0-9a-f]+) rect=(-?[0-9]+),(-?[0-9]+),(-?[0-9]+),(-?[0-9]+) '
win_state() {
  CAPTION=${1#* caption=}
  if ! [[ $1 =~ $WINDOW_RE ]]; then STATE=unreadable; return; fi
  local v=${BASH_REMATCH[1]} i=${BASH_REMATCH[2]} a=${BASH_REMATCH[3]} s=${BASH_REMATCH[4]}
  local x=${BASH_REMATCH[5]} l=${BASH_REMATCH[6]} t=${BASH_REMATCH[7]} r=${BASH_REMATCH[8]}
  local b=${BASH_REMATCH[9]}
  if [ "$v" != 1 ]; then STATE=hidden
  elif [ "$i" != 0 ]; then STATE=minimised
  elif ((r <= 0 || b <= 0 || l >= SCREEN_W || t >= SCREEN_H)); then STATE=off-screen
  elif [ "$a" != 255 ]; then STATE="alpha=$a"
  elif (((s & 0xC00000) != 0xC00000)); then STATE=no-title
  elif (((x & 0x80) != 0)); then STATE=tool-window
  else STATE=back
  fi
}

# The target windows, one probe line each.
target_lines() { probe list --caption-prefix "キル" --class MoriMoTarget; }


# judge_restart: sets JUDGED (one "state caption" line per window) and
# LOST_NOW (windows neither back nor managed with a tray icon).
judge_restart() {
  local lines items managed rows targets icons line caption state
  lines=$(target_lines)
  # The manager's list view (id 1002): its rows, and the captions they show.
  items=$(probe items --hwnd "$MANAGER_HWND" --id 1002)
  managed=$(sed -n 's/^row=.* texts=//p' <<<"$items" | cut -d'|' -f1)
  rows=$(sed -n 's/^list rows=\([0-9]*\).*/\1/p' <<<"$items")
  targets=$(grep -c . <<<"$lines")
  icons=$(probe tray | grep -c '^icon ')
  JUDGED=""
  LOST_NOW=0
  JUDGE_NOTE="$icons icons, $rows rows in the manager's list: $(tr '\n' ',' <<<"$managed")"
  while read -r line; do
    [ -n "$line" ] || continue
    win_state "$line"
    caption=$CAPTION state=$STATE
    if [ "$state" != back ]; then
      # Managed again, every managed window and the manager with an icon.
      # At least: under Wine the icons of the killed process may stay in
      # the tray (nobody removes them; Windows does when the pointer
      # passes over them).
      # Every target window matches a rule: when the list has a row for
      # each, each is managed (its texts, read from another process while
      # the manager is busy, may come late and in the wrong rows).
      if { [ "$rows" = "$targets" ] || grep -qxF "$caption" <<<"$managed"; } &&
        ((icons >= rows + 1)); then
        state="managed($state)"
      else
        LOST_NOW=$((LOST_NOW + 1))
      fi
    fi
    JUDGED+="$state $caption"$'\n'
  done <<<"$lines"
}

# The round's own processes end with it, however it ends.
round_cleanup() {
  local pid
  [ -n "${SAVE_LOOP:-}" ] && kill "$SAVE_LOOP" 2>/dev/null
  for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null; done
  for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
}

one_round() {
  local round=$1 kind=$2 delay=0 line state caption hidden=0 lost=0 notback=0 kept=0 file_ok=1
  trap round_cleanup EXIT
  # Screenshots of misses named by round (the count is this process's own).
  E2E_MISSED=$((round * 100))
  rm -f "$E2E_HWNDS" "$E2E_INI.new"
  settings | write_ini
  cp "$E2E_INI" "$E2E_WORK/ini.old"
  LC_ALL=C sed '0,/^ShowTopMost=0\r$/s//ShowTopMost=1\r/' "$E2E_INI" >"$E2E_WORK/ini.new"

  start_morimo
  probe tray --count 1 --timeout 10000 >/dev/null || e2e_fail "the manager's icon did not come"
  # One at a time where a menu is used, so that the icons' order is known.
  start_target M --caption "キルM 1" --pos 40,60
  probe tray --count 2 --timeout 10000 >/dev/null || e2e_fail "キルM 1 got no icon"
  start_target N --caption "キルN 1" --pos 460,60
  probe tray --count 3 --timeout 10000 >/dev/null || e2e_fail "キルN 1 got no icon"
  start_target R --caption "キルH 1" --caption "キルH 2" --caption "キルZ 1" --caption "キルT 1" \
    --caption "キルV 1" --pos 60,420
  probe tray --count 8 --timeout 10000 >/dev/null || e2e_fail "not all windows got icons"

  target_cmd R "minimize 1"
  target_cmd R "minimize 2"
  menu_command 1 "$T_HIDE" "隠す for キルM 1" visible=0 --caption "キルM 1"
  menu_command 2 "$T_TITLE_NONE" "タイトル無し for キルN 1" caption=0 --caption "キルN 1"
  probe wait --caption-prefix "キルH" --until count=2,visible=0 --timeout 5000 >/dev/null ||
    e2e_fail "the minimised windows were not hidden"
  probe wait --caption "キルZ 1" --until alpha=0 --timeout 5000 >/dev/null ||
    e2e_fail "キルZ 1 is not at 0 %"
  probe wait --caption "キルT 1" --until toolwindow=1 --timeout 5000 >/dev/null ||
    e2e_fail "キルT 1 is not a tool window"
  poll_for 10 no_menu_open || e2e_fail "a menu stays open"

  case $kind in
    adoption)
      delay=$(rand_ms 800)
      # Under the 0 % rule: a kill in the middle of their adoption may come
      # after the rule's change.
      start_target A --caption "キルZA {n}" --count 3 --pos 700,420
      sleep_ms "$delay"
      ;;
    save)
      # The always-on-top box flipped, the rule list opened and closed: its
      # closing saves the settings. The kill follows the first sign of the
      # save (the new file beside the old one, or the old one replaced)
      # within 0 to 15 ms.
      delay=$(rand_ms 16)
      probe send --hwnd "$(probe_field "$(probe child --hwnd "$MANAGER_HWND" --id 1012)" hwnd)" \
        --msg 0xF5 --timeout 3000 >/dev/null  # BM_CLICK
      press_button 1001
      probe wait --caption "$LIST_CAPTION" --until count=1 --timeout 10000 >/dev/null ||
        e2e_fail "the rule list did not open"
      probe send --hwnd "$(hwnd_of "$LIST_CAPTION")" --msg 0x111 --wparam 2 --timeout 5000 >/dev/null &
      SAVE_LOOP=$!
      local until=$((SECONDS + 15))
      until [ -e "$E2E_INI.new" ] || [ "$E2E_INI" -nt "$E2E_WORK/ini.old" ]; do
        ((SECONDS < until)) || e2e_fail "no save within 15 s of the rule list's closing"
      done
      sleep_ms "$delay"
      ;;
    dialog)
      delay=$(rand_ms 1500)
      press_button 1001
      probe wait --caption "$LIST_CAPTION" --until count=1 --timeout 10000 >/dev/null ||
        e2e_fail "the rule list did not open"
      sleep_ms "$delay"
      ;;
    random)
      delay=$(rand_ms 3000)
      sleep_ms "$delay"
      ;;
  esac
  kill -9 "$MORIMO_PID"
  [ -n "${SAVE_LOOP:-}" ] && { kill "$SAVE_LOOP" 2>/dev/null; wait "$SAVE_LOOP" 2>/dev/null; SAVE_LOOP=; }
  wait_for "round $round: morimo.exe killed ($kind, after $delay ms)" 10 morimo_gone
  [ "$kind" = save ] && e2e_log "after the kill: $(ls "$E2E_DATA" | tr '\n' ' ')"
  wait "$MORIMO_PID" 2>/dev/null

  while read -r line; do
    [ -n "$line" ] || continue
    win_state "$line"
    [ "$STATE" = back ] || hidden=$((hidden + 1))
  done <<<"$(target_lines)"
  e2e_log "at the kill: $hidden windows hidden or changed, $(probe tray | grep -c '^icon ') icons left; recovery file: $(
    [ -f "$E2E_HWNDS" ] && recovery_handles | tr '\n' ' ')"
  if cmp -s "$E2E_INI" "$E2E_WORK/ini.old"; then
    e2e_pass "the settings file is the old one, whole"
  elif cmp -s "$E2E_INI" "$E2E_WORK/ini.new"; then
    e2e_pass "the settings file is the new one, whole"
  else
    file_ok=0
    cp "$E2E_INI" "$E2E_WORK/ini.round$round"
    e2e_miss "the settings file is neither the old nor the new one (kept as ini.round$round)"
  fi

  start_morimo
  local deadline=$((SECONDS + 10))
  while :; do
    judge_restart
    [ "$LOST_NOW" = 0 ] && ! grep -q '^managed(hidden' <<<"$JUDGED" && break
    ((SECONDS < deadline)) || break
    sleep 0.3
  done
  lost=$LOST_NOW
  printf '%s' "$JUDGED" | sed 's/^/    /'
  if [ "$lost" = 0 ]; then
    e2e_pass "after the restart every window is back or managed with its icon"
  else
    e2e_miss "after the restart $lost windows are lost ($JUDGE_NOTE)"
  fi

  # The orderly exit: the exit button's command, then Yes in its question.
  press_button 1000
  local question=""
  for _ in $(seq 50); do
    question=$(probe list --same-process "$MANAGER_HWND" --visible-only --class "#32770" |
      grep -v "^hwnd=$MANAGER_HWND " | head -n1)
    [ -n "$question" ] && break
    sleep 0.1
  done
  [ -n "$question" ] || e2e_fail "the exit question did not come"
  probe send --hwnd "$(probe_field "$question" hwnd)" --msg 0x111 --wparam 6 --timeout 1000 >/dev/null
  poll_for 15 morimo_gone || e2e_fail "morimo.exe did not end after Yes"
  deadline=$((SECONDS + 5))
  while :; do
    notback=0 kept=0 JUDGED=""
    while read -r line; do
      [ -n "$line" ] || continue
      win_state "$line"
      state=$STATE
      case $state in
        back) ;;
        no-title | tool-window) kept=$((kept + 1)) ;;
        *) notback=$((notback + 1)) ;;
      esac
      JUDGED+="$state $CAPTION"$'\n'
    done <<<"$(target_lines)"
    [ $((notback + kept)) = 0 ] && break
    ((SECONDS < deadline)) || break
    sleep 0.3
  done
  if [ $((notback + kept)) = 0 ]; then
    e2e_pass "the restarted program's exit gives every window back as it was found"
  else
    printf '%s' "$JUDGED" | sed 's/^/    /'
    e2e_miss "after the exit: $notback windows not back, $kept with our title style"
  fi
  # The log names every window the exit gave back, by its handle.
  local unlogged=0 handle
  while read -r line; do
    [ -n "$line" ] || continue
    handle=$(printf '0x%08X' "$(probe_field "$line" hwnd)")
    grep -aq "手放した $handle .*（終了）" "$E2E_DATA/MoriMo.log" 2>/dev/null || unlogged=$((unlogged + 1))
  done <<<"$(target_lines)"
  if [ "$unlogged" = 0 ]; then
    e2e_pass "the log names every window given back"
  else
    e2e_miss "$unlogged windows given back are not in the log"
  fi
  echo "$round $kind $delay $hidden $lost $notback $kept $file_ok" >>"$RESULTS"
  for name in M N R A; do
    [ -f "$E2E_WORK/$name.ctl" ] && target_cmd "$name" exit
  done
  sleep 0.5
}

for round in $(seq "$ROUNDS"); do
  if [ -n "$STOP_AFTER" ] && ((SECONDS >= STOP_AFTER)); then
    e2e_log "--stop-after $STOP_AFTER: no more rounds after $((round - 1))"
    break
  fi
  kind=${KINDS[$(((round - 1) % ${#KINDS[@]}))]}
  e2e_step "round $round of $ROUNDS: kill during $kind"
  rm -f "$E2E_WORK"/{M,N,R,A}.ctl
  (trap 'exit 143' TERM INT; one_round "$round" "$kind") &
  ROUND_PID=$!
  wait "$ROUND_PID"
  rc=$?
  ROUND_PID=
  if ! grep -q "^$round " "$RESULTS"; then
    e2e_log "round $round: setting up failed (exit $rc); not counted"
    echo "$round $kind setup-failed" >>"$E2E_WORK/skipped.txt"
  fi
done

# Lost: neither back nor managed with its icon after the restart, or not
# given back (hidden, off the screen, transparent) by the restarted
# program's exit.
read -r done_rounds hidden lost kept badfiles < <(awk '
  { n++; h += $4; l += $5 + $6; k += $7; if ($8 == 0) bad++ }
  END { print n + 0, h + 0, l + 0, k + 0, bad + 0 }' "$RESULTS")
skipped=$(grep -c . "$E2E_WORK/skipped.txt" 2>/dev/null || echo 0)
e2e_log "per round (round kind delay-ms hidden lost not-back-at-exit style-kept file-ok):"
sed 's/^/    /' "$RESULTS"
e2e_log "$skipped rounds skipped (setting up failed); settings files neither old nor new: $badfiles;" \
  "windows left with our title style after the exit: $kept"
echo "kill test: $done_rounds rounds, $hidden windows hidden or changed at the kills, $lost lost"
# The rounds' own checks ran in their processes: the run's verdict is these.
for verdict in "$skipped rounds skipped" "$lost windows lost" \
  "$kept windows left with our title style" "$badfiles settings files neither old nor new"; do
  if [ "${verdict%% *}" = 0 ]; then e2e_pass "$verdict"; else e2e_miss "$verdict"; fi
done
e2e_done
