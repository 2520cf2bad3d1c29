#!/usr/bin/env bash
# Idle cost of morimo.exe under Wine: 50 visible windows, 10 rules (some
# matching, with opacity and always-on-top in use), the default 500 ms scan
# period, measured over 60 s once everything has settled.
#
#   bash tools/measure_idle.sh [--build DIR] [--seconds N] [--repeat N] [--no-baseline]
#                              [--no-match] [--bare-loop] [--program-rules]
#
# DIR is the win64 build folder (default build/win64). Prints morimo.exe's
# own CPU time, the Wine server's CPU time over the same period, and the
# resident memory of morimo.exe. Unless --no-baseline, the Wine server is
# first measured for the same period with the windows up but without
# morimo.exe, so the share that morimo.exe causes can be told apart.
# --no-match turns the four matching rules into rules that match nothing, to
# tell the cost of the scan from that of the managed windows.
# --bare-loop measures morimo_bareloop.exe instead of morimo.exe on the same
# windows: every 500 ms it enumerates them and reads each caption and class
# name, the floor a scan cannot go below; compare the two runs' own CPU plus
# Wine server CPU.
# --program-rules uses ten rules that name a program file instead (none of
# them the windows' program), to compare the scan's cost with program tests
# against --bare-loop's.
# --repeat N measures N periods in a row: CPU time under Wine swings with
# the load of the machine, so the median is the figure to quote.
# MORIMO_E2E_DISPLAY=:97 pins the X display.
set -u
repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build/win64"
seconds=60
repeat=1
baseline=1
no_match=
bare_loop=
program_rules=
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --no-baseline) baseline=; shift ;;
    --no-match) no_match=1; shift ;;
    --bare-loop) bare_loop=1; shift ;;
    --program-rules) program_rules=1; shift ;;
    *) echo "usage: $0 [--build DIR] [--seconds N] [--repeat N] [--no-baseline] [--no-match]" \
        "[--bare-loop]" >&2
      exit 2 ;;
  esac
done
if [ -n "$bare_loop" ]; then
  bareloop=$(find "$build" \( -name wineprefix -o -name CMakeFiles \) -prune -o \
    -name morimo_bareloop.exe -type f -print | head -n1)
  if [ -z "$bareloop" ]; then
    echo "build morimo_bareloop in $build first" >&2
    exit 2
  fi
fi
source "$repo/tests/e2e/e2e_lib.sh"
e2e_init_from_build "$build" measure-idle
E2E_NAME=measure-idle

# Ten rules: six that match none of the windows (every match type, class
# only, caption and class), four that take 12 of the 50 windows.
unmatch() { if [ -n "$no_match" ]; then sed -e '/^Caption=Idle window 03$/s/$/!/' \
  -e '/^Caption=dow 07$/s/^Caption=/Caption=!/' -e '/^ClassName=MoriMoTarget$/s/$/!/'; else cat; fi; }
managed=12
[ -n "$no_match" ] && managed=0
program_ini() {
  printf '[General]\nDisplayWidthStartup=1\nShowTopMost=0\nTimerPeriod=500\nTraySpec_Count=10\n'
  for n in 0 1 2 3 4 5 6 7 8 9; do
    printf '[TraySpec_%04d]\nUseCaption=0\nUseClassname=0\nUseExeName=1\nExeName=program%d.exe\n' "$n" "$n"
  done
}
if [ -n "$program_rules" ]; then
  managed=0
  program_ini | write_ini
else
unmatch <<'EOF' | write_ini
[General]
DisplayWidthStartup=1
ShowTopMost=0
RealyHideOnHidden=0
TimerPeriod=500
ShowOnlyHidden=0
TraySpec_Count=10
[TraySpec_0000]
UseCaption=1
UseClassname=0
CaptionMatchType=0
Caption=無題 - メモ帳
[TraySpec_0001]
UseCaption=1
UseClassname=0
CaptionMatchType=1
Caption=Microsoft Excel
[TraySpec_0002]
UseCaption=1
UseClassname=0
CaptionMatchType=2
Caption= - Mozilla Firefox
[TraySpec_0003]
UseCaption=1
UseClassname=0
CaptionMatchType=3
Caption=秀丸
[TraySpec_0004]
UseCaption=0
UseClassname=1
ClassName=ConsoleWindowClass
[TraySpec_0005]
UseCaption=1
UseClassname=1
CaptionMatchType=1
Caption=Idle window
ClassName=NoSuchClass
[TraySpec_0006]
UseCaption=1
UseClassname=0
CaptionMatchType=0
Caption=Idle window 03
ShowIconOnlyHidden=0
AlphaPercent=90
AlphaPercentBG=70
[TraySpec_0007]
UseCaption=1
UseClassname=0
CaptionMatchType=2
Caption=dow 07
ShowIconOnlyHidden=0
ShowTopMost=1
[TraySpec_0008]
UseCaption=1
UseClassname=1
CaptionMatchType=3
Caption=window 2
ClassName=MoriMoTarget
ShowIconOnlyHidden=1
[TraySpec_0009]
UseCaption=0
UseClassname=1
ClassName=NoSuchClassEither
EOF
fi

e2e_step "50 visible windows"
start_target W --caption "Idle window {nn}" --count 50 --pos 20,60 --size 300,150
visible=$(probe list --class MoriMoTarget --visible-only | wc -l)
[ "$visible" = 50 ] || e2e_fail "want 50 visible windows, have $visible"

# The Wine server of this prefix: it works in a folder named after the
# prefix's device and inode.
server_dir=$(stat -c 'server-%D-%i' "$WINEPREFIX" | awk -F- '{ printf "%s-%s-%x\n", $1, $2, $3 }')
server_pid=
for p in $(pgrep -x wineserver) $(pgrep -x wineserver64); do
  case $(readlink "/proc/$p/cwd") in */"$server_dir") server_pid=$p ;; esac
done
[ -n "$server_pid" ] || e2e_fail "no wineserver working in $server_dir"

hz=$(getconf CLK_TCK)
# cpu_ticks PID: user and system time in clock ticks (fields 14 and 15,
# counted after the command name, which may hold blanks).
cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12, $13 }'; }
secs() { awk -v t="$1" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }'; }
rss_mb() { awk -v k="$2" '$1 == k":" { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }

if [ -n "$baseline" ]; then
  e2e_step "baseline: the Wine server for $seconds s without morimo.exe"
  read -r bu bs < <(cpu_ticks "$server_pid")
  sleep "$seconds"
  read -r au as < <(cpu_ticks "$server_pid")
  base_server=$((au + as - bu - bs))
fi

measured=morimo.exe
if [ -n "$bare_loop" ]; then
  measured=morimo_bareloop.exe
  e2e_step "start the bare loop and let it settle"
  wine "$bareloop" >"$E2E_WORK/bareloop.out" 2>&1 &
  MORIMO_PID=$!
  E2E_PIDS+=("$MORIMO_PID")
  managed=0
  adopted() { return 0; }
else
  e2e_step "start morimo.exe and let it settle"
  start_morimo
  [ "$(cat "/proc/$MORIMO_PID/comm")" = morimo.exe ] ||
    e2e_fail "pid $MORIMO_PID is $(cat "/proc/$MORIMO_PID/comm"), not morimo.exe"
fi
# The manager and the matching windows, each adopted once. Without any
# adoption the file is never written.
[ -n "$bare_loop" ] || adopted() {
  if [ "$managed" = 0 ]; then [ ! -e "$E2E_HWNDS" ]; return; fi
  [ -f "$E2E_HWNDS" ] && [ "$(stat -c %s "$E2E_HWNDS")" = $(((managed + 1) * 4)) ]
}
wait_for "$managed windows adopted" 30 adopted
settle_end=$((SECONDS + 5))
while ((SECONDS < settle_end)); do sleep 1; done
visible=$(probe list --class MoriMoTarget --visible-only | wc -l)
[ "$visible" = 50 ] || e2e_fail "want 50 visible windows after adoption, have $visible"

ctx_switches() { awk '/^(non)?voluntary_ctxt_switches:/ { n += $2 } END { print n }' "/proc/$1/status"; }

# One period: morimo.exe's user and system ticks, the server's ticks, the
# target's ticks, morimo.exe's context switches (about one per server round
# trip), and the load average at its end.
measure_period() {
  local mu0 ms0 su0 ss0 tu0 ts0 mu1 ms1 su1 ss1 tu1 ts1 c0 c1
  read -r mu0 ms0 < <(cpu_ticks "$MORIMO_PID")
  read -r su0 ss0 < <(cpu_ticks "$server_pid")
  read -r tu0 ts0 < <(cpu_ticks "$TARGET_PID_W")
  c0=$(ctx_switches "$MORIMO_PID")
  sleep "$seconds"
  read -r mu1 ms1 < <(cpu_ticks "$MORIMO_PID")
  read -r su1 ss1 < <(cpu_ticks "$server_pid")
  read -r tu1 ts1 < <(cpu_ticks "$TARGET_PID_W")
  c1=$(ctx_switches "$MORIMO_PID")
  echo "$((mu1 - mu0)) $((ms1 - ms0)) $((su1 + ss1 - su0 - ss0)) $((tu1 + ts1 - tu0 - ts0))" \
    "$((c1 - c0)) $(cut -d' ' -f1 /proc/loadavg)"
}

results=()
for ((run = 1; run <= repeat; run++)); do
  e2e_step "measure for $seconds s ($run of $repeat)"
  results+=("$(measure_period)")
  morimo_running || e2e_fail "morimo.exe ended during the measurement"
  adopted || e2e_fail "the set of managed windows changed during the measurement"
done

echo
echo "idle cost of $measured, $seconds s a period (Wine $(wine --version 2>/dev/null), LANG=$LANG)"
if [ -n "$bare_loop" ]; then
  echo "  set-up: 50 visible windows; every 500 ms each caption and class name read once"
else
  echo "  set-up: 50 visible windows, 10 rules, $managed windows managed, TimerPeriod 500 ms"
fi
[ -n "$baseline" ] &&
  echo "  wineserver CPU without morimo.exe (same windows): $(secs "$base_server") s"
own_all=()
for line in "${results[@]}"; do
  read -r mu ms server target ctx load <<<"$line"
  own_all+=($((mu + ms)))
  echo "  $measured CPU $(secs $((mu + ms))) s (user $(secs "$mu"), system $(secs "$ms")), "\
"wineserver CPU $(secs "$server") s, together $(secs $((mu + ms + server))) s, "\
"target CPU $(secs "$target") s, $ctx context switches (~$((ctx / (seconds * 2))) a tick), load $load"
done
median=$(printf '%s\n' "${own_all[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
echo "  $measured RSS:      $(rss_mb "$MORIMO_PID" VmRSS) MB (peak $(rss_mb "$MORIMO_PID" VmHWM) MB)"
echo "  target program RSS:  $(rss_mb "$TARGET_PID_W" VmRSS) MB (a Wine GUI process with 50 windows, for scale)"
per_minute=$(awk -v t="$median" -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f", t / hz * 60 / s }')
echo "  own CPU per minute (median): $per_minute s (target: at most 0.60 s, half of the 500 ms peer's 1.2 s)"
