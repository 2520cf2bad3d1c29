#!/usr/bin/env bash
# Rules by program under Wine: a rule that names only a program file takes
# the window of a copy of the test program under another name and leaves
# the original's window with the same caption alone; a rule on the part of
# a WPF-like class that stays takes the program's window again after the
# program restarts with a new GUID in its class.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

COPY="$E2E_WORK/other_target.exe"
cp "$E2E_TARGET" "$COPY" || e2e_fail "could not copy the target program"
CAPTION="同じタイトルのウインドウ"
WPF_CAPTION="WPF らしいウインドウ"
wpf_class() { printf 'HwndWrapper[morimo_target.exe;;%s]' "$1"; }

{
  ini_general TraySpec_Count=2
  ini_rule 0 "UserName=コピーだけ" UseCaption=0 UseExeName=1 ExeName=OTHER_TARGET.EXE HideOnStartup=1
  ini_rule 1 "UserName=WPF" UseCaption=0 UseClassname=1 ClassMatchType=1 \
    "ClassName=HwndWrapper[morimo_target.exe;;" HideOnStartup=1
} | write_ini

start_morimo
probe tray --count 1 --timeout 10000 >/dev/null || e2e_fail "the manager's icon did not come"

e2e_step "a rule by program file alone"
start_target ORIGINAL --caption "$CAPTION"
E2E_TARGET_SAVED=$E2E_TARGET
E2E_TARGET=$COPY
start_target COPY --caption "$CAPTION" --pos 460,40
E2E_TARGET=$E2E_TARGET_SAVED
wait_for "one of the two windows is hidden" 5 eval \
  '[ "$(probe list --caption "$CAPTION" --visible-only | wc -l)" = 1 ]'
visible_line=$(probe list --caption "$CAPTION" --visible-only)
[ "$(probe_field "$visible_line" rect | cut -d, -f1)" = 40 ] ||
  e2e_fail "the hidden one is not the copy's: $visible_line"
e2e_pass "the original's window with the same caption stays"

e2e_step "a class whose end changes per run"
start_target WPF1 --caption "$WPF_CAPTION" --class "$(wpf_class 11111111-2222-3333-4444-555555555555)" --pos 40,300
expect_window "the first run's window is taken and hidden" visible=0 5000 --caption "$WPF_CAPTION"
target_cmd WPF1 exit
wait_for "the first run has ended" 10 eval '! kill -0 "$TARGET_PID_WPF1" 2>/dev/null'
start_target WPF2 --caption "$WPF_CAPTION" --class "$(wpf_class 99999999-8888-7777-6666-555555555555)" --pos 40,300
expect_window "the next run's window, with a new GUID, is taken too" visible=0 5000 --caption "$WPF_CAPTION"

exit_morimo || e2e_fail "morimo.exe did not exit (status ${MORIMO_RC:-none})"
expect_window "every window is given back at the exit" visible=1 5000 --caption "$CAPTION"
expect_window "the restarted program's too" visible=1 5000 --caption "$WPF_CAPTION"
e2e_done
