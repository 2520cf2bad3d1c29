#!/usr/bin/env bash
# Damaged and hostile input on the real program, and a long run:
#  - morimo.exe started on random and damaged settings files, then on random
#    and damaged recovery files (tools/hostile_gen.py, from a seed printed
#    below): each start runs, answers, shows no crash and no exception box,
#    exits with code 0 when asked, deletes its recovery file and gives the
#    test windows back as they were;
#  - its private messages with random parameters, sent and posted by another
#    process: it still answers, and its managed windows, icons and recovery
#    file stay as they were;
#  - a tray host that starts afresh: every icon is back within one tick of
#    the "TaskbarCreated" broadcast;
#  - adopt and release cycles of a window whose caption moves in and out of
#    a rule, with the program's objects and memory read before and after.
# The sizes come from the environment (the defaults are the short form):
#   MORIMO_HOSTILE_SEED, MORIMO_HOSTILE_FILES (starts of each kind, 2),
#   MORIMO_HOSTILE_FIRST (the number of the first file of each kind, 0),
#   MORIMO_HOSTILE_MESSAGES (500), MORIMO_HOSTILE_CYCLES (10),
#   MORIMO_HOSTILE_SHELL (1: the tray host step, 0: none).
# tools/hostile_wine.sh and tools/long_run_wine.sh run long forms.
set -u
source "$(dirname "$0")/e2e_lib.sh"
# --build DIR [WORK-NAME]: the programs of a win64 build (the long forms in
# tools/), the work folder DIR/WORK-NAME.
if [ "${1:-}" = --build ]; then
  e2e_init_from_build "$2" "${3:-hostile-wine}"
else
  e2e_init "$@"
fi

SEED=${MORIMO_HOSTILE_SEED:-20261209}
FILES=${MORIMO_HOSTILE_FILES:-2}
FIRST=${MORIMO_HOSTILE_FIRST:-0}  # the number of the first file
MESSAGES=${MORIMO_HOSTILE_MESSAGES:-500}
CYCLES=${MORIMO_HOSTILE_CYCLES:-10}
SHELL_RESTART=${MORIMO_HOSTILE_SHELL:-1}
gen() { python3 "$E2E_REPO/tools/hostile_gen.py" "$@"; }
e2e_log "seed $SEED (MORIMO_HOSTILE_SEED=$SEED makes the same files and messages again)"

CAP="E2E Hostile"
CYCLE="E2E Cycle"
PEAK_KB=0

# A well-formed settings file: the test windows under one rule with an
# icon, the cycling window under another, the scan period given.
valid_ini() {  # PERIOD
  {
    ini_general DisplayWidthStartup=0 "TimerPeriod=$1" TraySpec_Count=2
    ini_rule 0 "Caption=$CAP" UserName=hostile
    ini_rule 1 CaptionMatchType=0 "Caption=$CYCLE" UserName=cycle
  } | write_ini
}

# The test windows as they were before any start: shown, opaque, with
# their caption bars (a rule may hide them, fade them or take their caption
# bar while managed). Always on top is not undone by design: a window a rule
# put on top stays there when let go.
windows_given_back() {
  probe wait --caption-prefix "$CAP" --until count=3,visible=1,alpha=255,caption=1,toolwindow=0 \
    --timeout "${1:-3000}" >/dev/null
}

# One start of morimo.exe on whatever files are in place; LABEL names them.
one_start() {
  local label=$1 out box signs hwm
  WINEDEBUG=$WINEDEBUG wine "$E2E_MORIMO" >"$E2E_WORK/morimo.out" 2>&1 &
  MORIMO_PID=$!
  E2E_PIDS+=("$MORIMO_PID")
  if ! out=$(probe wait --caption "$MANAGER_CAPTION" --class "#32770" --until count=1 --timeout 20000); then
    e2e_miss "$label: no manager window within 20 s: $out $(morimo_crash_signs)"
    kill "$MORIMO_PID" 2>/dev/null
    return
  fi
  MANAGER_HWND=$(probe_field "$(grep -m1 '^hwnd=' <<<"$out")" hwnd)
  # A tick at the usual period (a damaged one may be anything).
  sleep 0.6
  if ! morimo_running; then
    e2e_miss "$label: morimo.exe ended by itself: $(morimo_crash_signs)"
    return
  fi
  # A heavy file may keep the start busy for seconds (thousands of rules
  # from a damaged count, hundreds of sections): a hang is no answer in 20 s.
  local waited=$SECONDS
  until out=$(probe send --hwnd "$MANAGER_HWND" --timeout 1000); do
    ((SECONDS - waited < 20)) || break
  done
  if [ "$(probe_field "$out" answered)" != 1 ]; then
    e2e_miss "$label: the manager does not answer within 20 s: $out"
  elif ((SECONDS - waited > 2)); then
    e2e_log "$label: the manager answered after $((SECONDS - waited)) s"
  fi
  box=$(morimo_boxes)
  [ -z "$box" ] || e2e_miss "$label: a message box is open: $(probe_field "$box" caption)"
  hwm=$(morimo_vm VmHWM)
  [ -n "$hwm" ] && ((hwm > PEAK_KB)) && PEAK_KB=$hwm
  if ! exit_morimo; then
    e2e_miss "$label: no clean exit (code ${MORIMO_RC:-none, still running})"
    kill "$MORIMO_PID" 2>/dev/null
    poll_for 10 morimo_gone
  fi
  signs=$(morimo_crash_signs)
  [ -z "$signs" ] || e2e_miss "$label: crash signs in the output: $signs"
  [ ! -e "$E2E_HWNDS" ] || e2e_miss "$label: the recovery file is left after the exit"
  if ! windows_given_back; then
    probe list --caption-prefix "$CAP" | sed 's/^/    /'
    e2e_miss "$label: the test windows are not given back as they were"
  fi
  e2e_log "$label: peak ${hwm:-?} kB"
}

e2e_step "three test windows and one that comes and goes, all refusing to close (a damaged rule may close what it takes)"
start_target T --caption "$CAP {n}" --count 3 --refuse-close --pos 420,90 --size 300,120
mapfile -t HANDLES < <(awk '{ print $1 }' "$E2E_WORK/T.ready")
start_target C --caption "$CYCLE" --refuse-close --pos 40,500 --size 300,120
HWND_C=$(hwnd_of "$CYCLE")
mkdir -p "$E2E_DATA"

if ((FILES > 0)); then
  e2e_step "$FILES starts on damaged settings files, $FILES on damaged recovery files"
  started=$SECONDS
  missed=$E2E_MISSED
  for ((i = FIRST; i < FIRST + FILES; i++)); do
    rm -f "$E2E_HWNDS"
    kind=$(gen settings "$SEED" "$i" "$E2E_INI" "$CAP")
    one_start "settings $i ($kind)"
  done
  # What a damaged file once held: a rule for our own title that closes
  # what it takes; the exit question must stay ours.
  valid_ini 500
  sed -i -e 's/^Caption=E2E Cycle\r$/Caption=MoriMo\r/' -e '0,/^CloseOnStartup=0/b' \
    -e 's/^CloseOnStartup=0/CloseOnStartup=1/' "$E2E_INI"
  rm -f "$E2E_HWNDS"
  one_start "a rule for our own title that closes what it takes"
  for ((i = FIRST; i < FIRST + FILES; i++)); do
    valid_ini 500
    kind=$(gen recovery "$SEED" "$i" "$E2E_HWNDS" "${HANDLES[@]}" "$HWND_C")
    one_start "recovery $i ($kind)"
  done
  if ((E2E_MISSED == missed)); then
    e2e_pass "$((2 * FILES)) starts on damaged files: each answered and ended cleanly ($((SECONDS - started)) s, peak memory $PEAK_KB kB, load $(cut -d' ' -f1 /proc/loadavg))"
  fi
fi

valid_ini 100
rm -f "$E2E_HWNDS"
start_morimo
recovery_has() { [ -f "$E2E_HWNDS" ] && recovery_handles | grep -qx "$1"; }
all_adopted() {
  local h
  for h in "${HANDLES[@]}" "$HWND_C"; do recovery_has "$h" || return 1; done
}
wait_for "the test windows are adopted" 15 all_adopted

# Managed windows as the probe sees them, the focus left out.
snapshot() {
  probe list --caption-prefix "E2E " | sed 's/ fg=[01]//' | sort
  probe tray | grep -c '^icon '
  recovery_handles | sort
}

if ((MESSAGES > 0)); then
  e2e_step "$MESSAGES private messages with random parameters from another process"
  before=$(snapshot)
  gen messages "$SEED" "$MESSAGES" "$E2E_WORK/messages.txt" \
    0x8000 0x8001 0x8002 reg:TaskbarCreated reg:MoriMo.ShowManager >/dev/null
  started=$SECONDS
  if out=$(probe storm --hwnd "$MANAGER_HWND" --file "$(winpath "$E2E_WORK/messages.txt")" --timeout 1000); then
    e2e_pass "every sent message was answered within 1 s: $out ($((SECONDS - started)) s)"
  else
    e2e_miss "the storm: $out"
  fi
  morimo_running || e2e_fail "morimo.exe ended during the storm: $(morimo_crash_signs)"
  out=$(probe send --hwnd "$MANAGER_HWND" --timeout 1000) || e2e_miss "the manager does not answer after the storm: $out"
  box=$(morimo_boxes)
  [ -z "$box" ] || e2e_miss "a message box is open after the storm: $(probe_field "$box" caption)"
  # Icons re-added for TaskbarCreated may come a tick later.
  same_as_before() { [ "$(snapshot)" = "$before" ]; }
  if poll_for 5 same_as_before; then
    e2e_pass "the managed windows, the icons and the recovery file are as they were"
  else
    diff <(printf '%s\n' "$before") <(snapshot) | sed 's/^/    /'
    e2e_miss "the storm changed the managed windows, icons or recovery file"
  fi
fi

if ((SHELL_RESTART)); then
  e2e_step "a tray host that starts afresh: no icons, then TaskbarCreated"
  # Under Wine the tray lives in the desktop process (explorer.exe
  # /desktop), which also owns the desktop window: ending it destroys every
  # top-level window of every program, so it cannot be restarted alone.
  # What a new shell shows is done instead: the icons go, then the
  # registered "TaskbarCreated" is broadcast as a starting shell does.
  target_cmd T "minimize 1"
  expect_window "a test window minimised is hidden" visible=0 5000 --hwnd "${HANDLES[0]}"
  icons=$(probe tray | grep -c '^icon ')
  # The probe times the return itself, from the broadcast on.
  if out=$(probe untray --hwnd "$MANAGER_HWND" --broadcast 1 --timeout 2000); then
    if [ "$(probe_field "$out" left)" = 0 ] && [ "$(probe_field "$out" ms)" -le 500 ]; then
      e2e_pass "all $icons icons are back within 500 ms, a tick at the default period, of TaskbarCreated: $out"
    else
      e2e_miss "the icons did not all go, or came back late: $out"
    fi
  else
    e2e_miss "the icons are not all back 2 s after TaskbarCreated: $out"
  fi
  # Icons come back in the order of the managed windows, the recovery
  # file's order.
  index=$(recovery_handles | grep -nx "${HANDLES[0]}" | cut -d: -f1)
  click_tray_icon $((index - 1))
  expect_window "the hidden window comes back from its new icon" visible=1,iconic=0 5000 --hwnd "${HANDLES[0]}"
fi

if ((CYCLES > 0)); then
  e2e_step "$CYCLES adopt and release cycles of one window (scan period 100 ms)"
  resources() {
    printf '%s windows-of-desktop=%s rss=%s kB hwm=%s kB' \
      "$(probe resources --hwnd "$MANAGER_HWND")" "$(probe list | grep -c .)" \
      "$(morimo_vm VmRSS)" "$(morimo_vm VmHWM)"
  }
  cycle() {
    target_cmd C "caption 1 Out of rule"
    poll_for 10 eval '! recovery_has "$HWND_C"' || return 1
    target_cmd C "caption 1 $CYCLE"
    poll_for 10 recovery_has "$HWND_C"
  }
  # Warm-up: the first cycles fill caches that then stay.
  for _ in 1 2 3; do cycle || e2e_fail "a warm-up cycle did not complete"; done
  before=$(resources)
  icons_before=$(probe tray | grep -c '^icon ')
  started=$SECONDS
  for ((i = 1; i <= CYCLES; i++)); do
    cycle || e2e_fail "cycle $i did not complete (waited 10 s for each step)"
    ((i % 500 == 0 && i < CYCLES)) && e2e_log "after $i: $(resources)"
  done
  after=$(resources)
  e2e_log "before: $before"
  e2e_log "after:  $after"
  icons_after=$(probe tray | grep -c '^icon ')
  [ "$icons_after" = "$icons_before" ] || e2e_miss "tray icons: $icons_before before, $icons_after after"
  e2e_pass "$CYCLES cycles in $((SECONDS - started)) s (load $(cut -d' ' -f1 /proc/loadavg))"
  for key in gdi user windows children; do
    b=$(probe_field "$before" "$key")
    a=$(probe_field "$after" "$key")
    if [ "$a" -le "$((b + 2))" ]; then
      e2e_pass "$key: $b before, $a after"
    else
      e2e_miss "$key grew: $b before, $a after"
    fi
  done
fi

e2e_step "the exit"
if exit_morimo; then e2e_pass "morimo.exe ends with exit code 0"; else e2e_miss "no clean exit (${MORIMO_RC:-still running})"; fi
signs=$(morimo_crash_signs)
[ -z "$signs" ] || e2e_miss "crash signs in the output: $signs"
if windows_given_back; then e2e_pass "the test windows are given back"; else e2e_miss "the test windows are not given back"; fi
e2e_done
