#!/usr/bin/env bash
# Start-up time of morimo.exe under Wine with 1 rule and with 1,000 realistic
# rules: from the launch until the manager window answers a message
# (`morimo_probe startup` starts the program, times it and ends it).
#
#   bash tools/measure_startup.sh [--build DIR] [--repeat N]
#
# DIR is the win64 build folder (default build/win64). Each size is started
# N times (default 5), the two sizes in turn; prints the medians, their ratio
# (the goal: 1,000 rules at most 1.5 times 1 rule) and the machine's load
# average: times under Wine swing with the load. MORIMO_E2E_DISPLAY=:97 pins
# the X display.
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
e2e_init_from_build "$build" measure-startup
E2E_NAME=measure-startup

# N rules as users keep them: Japanese and English captions of every match
# type, some by class, opacity, always-on-top and title styles in use; none
# matches a window here, so the time is the program's own start.
rules_file() {
  local n=$1 i captions classes
  captions=("無題 - メモ帳" "Microsoft Excel - Book" " - Mozilla Firefox" "秀丸エディタ"
    "コマンド プロンプト" "Visual Studio Code" "エクスプローラー" "Thunderbird")
  classes=("Notepad" "XLMAIN" "MozillaWindowClass" "Hidemaru32Class" "ConsoleWindowClass" "")
  {
    ini_general "TraySpec_Count=$n"
    for ((i = 0; i < n; i++)); do
      ini_rule "$i" "UseClassname=$((i % 3 == 0))" "CaptionMatchType=$((i % 4))" \
        "Caption=${captions[i % 8]} $i" "ClassName=${classes[i % 6]}" "UserName=ルール $i" \
        "AlphaPercent=$((100 - i % 5 * 10))" "AlphaPercentBG=$((100 - i % 7 * 10))" \
        "ShowTopMost=$((i % 9 == 0))" "HideOnStartup=$((i % 11 == 0))" "TitleStyle=$((i % 3))"
    done
  } | write_ini
  cp "$E2E_INI" "$E2E_WORK/rules-$n.ini"
}

e2e_step "settings of 1 and of 1000 rules"
rules_file 1
rules_file 1000
e2e_log "1000 rules: $(stat -c %s "$E2E_WORK/rules-1000.ini") bytes"

declare -A times
morimo_win=$(winpath "$(cd "$(dirname "$E2E_MORIMO")" && pwd)/$(basename "$E2E_MORIMO")")
for ((r = 1; r <= repeat; r++)); do
  for n in 1 1000; do
    mkdir -p "$E2E_DATA"
    cp "$E2E_WORK/rules-$n.ini" "$E2E_INI"
    rm -f "$E2E_HWNDS" "$E2E_HWNDS.looks"
    out=$(probe startup --file "$morimo_win" --caption "$MANAGER_CAPTION" --class "#32770" \
      --timeout 120000) || e2e_fail "morimo.exe with $n rules did not answer: $out"
    ms=$(probe_field "$out" ms)
    e2e_log "round $r, $n rules: $ms ms"
    times[$n]="${times[$n]:-} $ms"
  done
done

median() { printf '%s\n' $1 | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
one=$(median "${times[1]}")
thousand=$(median "${times[1000]}")
echo
echo "start-up until the manager answers, median of $repeat (ms):"
echo "  1 rule:      $one   (all:${times[1]})"
echo "  1000 rules:  $thousand   (all:${times[1000]})"
echo "  ratio: $(awk -v a="$thousand" -v b="$one" 'BEGIN { printf "%.2f", a / b }') (goal: at most 1.5)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores; Wine $(wine --version 2>/dev/null))"
