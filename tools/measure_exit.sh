#!/usr/bin/env bash
# The exit of morimo.exe under Wine with five managed windows of one program
# that has just stopped answering: from Yes to the exit question until the
# morimo.exe process has ended, and whether every window is given back
# (shown, not minimised, opaque) once its program answers again.
#
#   bash tools/measure_exit.sh [--build DIR] [--morimo EXE] [--repeat N]
#
# DIR is the win64 build folder (default build/win64) with morimo_target and
# morimo_probe; EXE another morimo.exe to measure with them (an older build).
# Per round (default 3): one rule takes the five windows, half transparent
# and hidden when minimised; they are minimised, the program hangs, and
# 0.5 s later Yes is chosen (posted: the probe's start adds its own part
# of a second to that). The program is not yet hung in Wine's eyes
# (5 s), so every question to it waits for its own bound. Prints the
# median, the windows given back and the load. MORIMO_E2E_DISPLAY=:97 pins
# the X display.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/win64"
morimo=""
repeat=3
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --morimo) morimo=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--morimo EXE] [--repeat N]" >&2; exit 2 ;;
  esac
done
if [ -n "$morimo" ]; then
  [ -f "$morimo" ] || { echo "missing $morimo" >&2; exit 2; }
  morimo=$(cd "$(dirname "$morimo")" && pwd)/$(basename "$morimo")
fi
source "$repo/tests/e2e/e2e_lib.sh"
e2e_init_from_build "$build" measure-exit
E2E_NAME=measure-exit
[ -z "$morimo" ] || E2E_MORIMO=$morimo
e2e_log "morimo.exe: $E2E_MORIMO"

CAPTION="Exit measure "
WINDOWS=5
now_ms() { echo $(($(date +%s%N) / 1000000)); }
question_up() { QUESTION=$(probe_field "$(morimo_boxes | head -n1)" hwnd); [ -n "$QUESTION" ]; }

times=()
given=0
for ((r = 1; r <= repeat; r++)); do
  e2e_step "round $r"
  rm -f "$E2E_HWNDS" "$E2E_HWNDS.looks"
  {
    ini_general
    ini_rule 0 "Caption=$CAPTION" "UserName=exit measure" AlphaPercent=50 AlphaPercentBG=50 \
      HideIfIconized=1
  } | write_ini
  start_morimo
  start_target "R$r" --caption "$CAPTION{n}" --count "$WINDOWS" --pos 200,100
  hwnds=$(sed 's/ .*//' "$E2E_WORK/R$r.ready" | tr -d '\r')
  tray=$(probe tray --count $((WINDOWS + 1)) --timeout 30000) ||
    e2e_fail "the $WINDOWS windows were not all taken: $tray"
  e2e_pass "$WINDOWS windows taken (tray icons)"
  target_cmd "R$r" "minimize *"
  expect_window "the $WINDOWS windows hide when minimised" "count=$WINDOWS,visible=0" 10000 \
    --caption-prefix "$CAPTION"

  # The question is open before the hang, so that Yes comes 0.5 s into it.
  post_exit_command
  wait_for "終了 asks first" 10 question_up
  target_cmd "R$r" hang
  wait_for "the program has stopped pumping messages" 10 target_logged "R$r" "hang begin"
  sleep 0.5
  # Timed from the post's return: most of the probe's run is Wine starting it.
  posting=$(now_ms)
  post_yes "$QUESTION"
  yes_at=$(now_ms)
  posted_ms=$((yes_at - posting))
  until morimo_gone; do
    (($(now_ms) - yes_at < 120000)) || e2e_fail "morimo.exe has not ended 120 s after Yes"
    sleep 0.02
  done
  ms=$(($(now_ms) - yes_at))
  wait "$MORIMO_PID"
  rc=$?
  times+=("$ms")

  target_cmd "R$r" unhang
  wait_for "the program runs again" 10 target_logged "R$r" "hang end"
  back=0
  for h in $hwnds; do
    if out=$(probe wait --hwnd "$h" --until visible=1,iconic=0,alpha=255 --timeout 5000); then
      back=$((back + 1))
    else
      e2e_miss "window $h not given back: $(printf '%s' "$out" | grep '^hwnd=' | head -n1)"
    fi
  done
  given=$((given + back))
  e2e_log "round $r: morimo.exe ended $ms ms after Yes (exit code $rc; Yes posted in $posted_ms ms)," \
    "$back of $WINDOWS windows given back"
  target_cmd "R$r" exit
  pid="TARGET_PID_R$r"
  poll_for 10 eval "! kill -0 ${!pid} 2>/dev/null" || kill "${!pid}" 2>/dev/null
done

sorted=$(printf '%s\n' "${times[@]}" | sort -n)
median=$(awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }' <<<"$sorted")
echo
echo "rounds (ms): ${times[*]}"
echo "exit with $WINDOWS windows of a hung program: median $median ms" \
  "($(head -n1 <<<"$sorted")..$(tail -n1 <<<"$sorted")), $given of $((WINDOWS * repeat)) windows given back"
echo "load average:$(uptime | sed 's/.*load average://') ($(nproc) cores; Wine $(wine --version 2>/dev/null))"
