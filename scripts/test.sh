#!/usr/bin/env bash
# Builds and tests everything from a fresh Debian 12 machine:
#   bash scripts/test.sh            # all three builds
#   bash scripts/test.sh native     # only some of them (native, asan, win64)
# Installs what is missing (scripts/setup.sh), configures and builds the
# native, asan (the native tests again under AddressSanitizer and UBSan)
# and win64 presets, runs the native tests, then the Windows tests under
# Wine on a virtual X screen, and ends with one line "N passed, N failed"
# over all. Exits non-zero on any failure.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native asan win64)
for p in "${presets[@]}"; do
  case $p in
    native | asan | win64) ;;
    *) echo "test.sh: unknown preset '$p' (native, asan or win64)" >&2; exit 2 ;;
  esac
done

step() { printf '\n==== %s (%s)\n' "$*" "$(date +%T)"; }

step "setup"
if ! bash scripts/setup.sh; then
  echo "test.sh: setup failed" >&2
  exit 1
fi

declare -A built summary
failures=0
passed_total=0
failed_total=0

for p in "${presets[@]}"; do
  step "configure and build: $p"
  if cmake --preset "$p" && cmake --build --preset "$p" -j2; then
    built[$p]=1
  else
    built[$p]=0
    summary[$p]="build failed (counted as one failed test)"
    failures=$((failures + 1))
    failed_total=$((failed_total + 1))
  fi
done

# run_ctest <preset> [ctest args]: runs the tests, keeps the log, adds up the
# summary line ("NN% tests passed, F tests failed out of T").
run_ctest() {
  local p=$1
  shift
  local log="$root/build/$p/ctest.log"
  # The simulated desktop's files live under the temporary folder: in
  # memory, when there is a tmpfs for it, they cost a tenth of the time.
  local tmp=${TMPDIR:-}
  if [ "$p" != win64 ] && [ -z "$tmp" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    tmp=/dev/shm
  fi
  TMPDIR=${tmp:-/tmp} ctest --preset "$p" "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line passed=0 failed=0
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$(($(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line") - failed))
    # Keep the summary and the list of failed tests for the end.
    summary[$p]=$(sed -n "/^[0-9]*% tests passed/,\$p" "$log")
  elif grep -q "No tests were found" "$log"; then
    summary[$p]="no tests"
  else
    summary[$p]="ctest gave no summary (exit code $rc)"
  fi
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
    # e.g. a test program that would not list its tests
    failed=1
    summary[$p]+=$'\n'"(ctest failed before or beside the tests: exit code $rc; see above)"
  fi
  passed_total=$((passed_total + passed))
  failed_total=$((failed_total + failed))
  [ "$failed" -eq 0 ] || failures=$((failures + 1))
}

wine_started=0
cleanup() {
  if [ "$wine_started" -eq 1 ]; then
    # shellcheck disable=SC2119 # the environment of this shell
    wine_env_stop
    wine_started=0
  fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

for p in "${presets[@]}"; do
  [ "${built[$p]}" -eq 1 ] || continue
  if [ "$p" = win64 ]; then
    step "Wine environment"
    # The tests' prefix and every end-to-end scenario's are copies of one
    # prefix, made once: wineboot runs once, not twice.
    export MORIMO_WINE_TEMPLATE=${MORIMO_WINE_TEMPLATE:-$root/build/win64/tests/e2e/.wineprefix-template}
    # shellcheck source=scripts/wine-env.sh
    source "$root/scripts/wine-env.sh"
    if ! wine_env_start "$root/build/win64"; then
      summary[$p]="the Wine environment did not start (see build/win64/wine-env.log;"$'\n'"counted as one failed test)"
      failures=$((failures + 1))
      failed_total=$((failed_total + 1))
      continue
    fi
    wine_started=1
  fi
  step "tests: $p"
  run_ctest "$p"
  [ "$p" = win64 ] && cleanup
done

step "summary"
# A full disk fails in ways that look like other faults (a prefix half
# copied, a build that stops): say how much was left.
echo "free disk space here: $(df -h --output=avail "$root" 2>/dev/null | tail -n1 | tr -d ' ')"
for p in "${presets[@]}"; do
  echo "-- $p:"
  echo "${summary[$p]:-not run}"
done
echo "$passed_total passed, $failed_total failed"
if [ "$failures" -ne 0 ] || [ "$failed_total" -ne 0 ]; then
  exit 1
fi
exit 0
