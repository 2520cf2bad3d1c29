#!/usr/bin/env bash
# How long "再検索(&F)" of the rule list takes under Wine with 200 windows
# listed, first when every program answers, then with three of them hung
# (three programs of one window each that stopped pumping messages).
#
#   bash tools/measure_research.sh [--build DIR] [--repeat N]
#
# DIR is the win64 build folder (default build/win64). Each figure is one
# search, timed from the outside: the button's command is sent to the open
# dialog with SendMessageTimeout, which returns once the search is done.
# N searches (default 5) each way; quote the median, with the machine's
# load. Wine answers WM_GETICON for another process's window at once with
# a failure, without asking the program, so a hung program costs no wait
# here; the bound on each question is shown on the simulated desktop.
# MORIMO_E2E_DISPLAY=:97 pins the X display.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/win64"
repeat=5
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--repeat N]" >&2; exit 2 ;;
  esac
done
source "$repo/tests/e2e/e2e_lib.sh"
e2e_init_from_build "$build" measure-research
E2E_NAME=measure-research

write_ini <<'EOF'
[General]
DisplayWidthStartup=1
TimerPeriod=500
TraySpec_Count=0
EOF

# 197 answering windows, and three programs that will hang: 200 listed.
start_target A --caption "Research window {nn}" --count 197 --pos 0,0 --size 200,100
for n in 1 2 3; do start_target "H$n" --caption "Research hang $n" --pos 900,$((n * 60))
done
start_morimo
# The settings button's command (the manager stays hidden); the send ends
# when its time is up, the dialog stays open.
setting=$(probe_field "$(probe child --hwnd "$MANAGER_HWND" --id 1001)" hwnd)
probe send --hwnd "$MANAGER_HWND" --msg 0x111 --wparam 1001 --lparam "$setting" --timeout 100 \
  >/dev/null
rule_list_up() { hwnd_of "ウインドウ情報の追加と削除" >/dev/null; }
wait_for "the rule list is open" 30 rule_list_up
LIST_HWND=$(hwnd_of "ウインドウ情報の追加と削除")
BUTTON=$(probe_field "$(probe child --hwnd "$LIST_HWND" --id 1005)" hwnd)

# search: milliseconds of one search (WM_COMMAND BN_CLICKED of button 1005).
search() {
  local out
  out=$(probe send --hwnd "$LIST_HWND" --msg 0x111 --wparam 1005 --lparam "$BUTTON" \
    --timeout 60000) || e2e_fail "the search did not end: $out"
  probe_field "$out" ms
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
listed() { probe items --hwnd "$LIST_HWND" --id 1003 | sed -n 's/^list rows=\([0-9]*\).*/\1/p'; }

run() {
  local label=$1 times=() n
  for ((n = 0; n < repeat; n++)); do times+=("$(search)"); done
  printf '%-34s %5s ms median (%s), %s windows listed\n' "$label" \
    "$(printf '%s\n' "${times[@]}" | median)" "${times[*]}" "$(listed)"
}

e2e_step "searches"
run "every program answers"
for n in 1 2 3; do target_cmd "H$n" hang; done
for n in 1 2 3; do wait_for "program $n hangs" 10 target_logged "H$n" "hang begin"; done
run "three programs hung"
# Past five seconds Wine counts a program as hung and SMTO_ABORTIFHUNG
# gives up at once.
until_t=$((SECONDS + 6))
while ((SECONDS < until_t)); do sleep 1; done
run "three programs hung for over 5 s"
e2e_log "load: $(uptime)"
