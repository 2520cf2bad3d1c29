#!/usr/bin/env bash
# What a user does to a window whose program has stopped answering: the
# commands of its tray menu, the rule list open while it hangs, and the
# program's exit. Throughout, the manager answers every message within a
# second (a watcher sends one every 50 ms), the other managed window still
# hides and shows, and once the program answers again its window is as the
# last command left it. At the exit the manager ends within 5 s, and the
# window, hidden by us before it hung, is shown and as it was found once
# its program answers. Hangs last --hang-seconds (default 6, past Wine's
# 5 s mark); the run ends with the worst answer time seen.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init_hang "$@"

HUNG="E2E Hang"
OTHER="E2E Other"
# The menus as res/morimo.rc lays them out (see menus.sh).
TRAY_LAYOUT="1 4 1 3 4 1 1"
T_SHOW=1 T_HIDE=2 T_ALPHA=3 T_TOPMOST=5 T_TITLE_DEFAULT=10 T_TITLE_TOOL=11
OPACITY_LAYOUT="12"
A_50=5

{
  ini_general
  ini_rule 0 "Caption=E2E " "UserName=hang test"
} | write_ini

# The rule list's upper list (every visible window) has a row for the hung window.
lists_hung() { probe items --hwnd "$LIST_HWND" --id 1003 | grep -q " texts=$HUNG|"; }

# The other window clear of the rule list, which opens in the middle of the screen.
start_hung_and_other 910,480

e2e_step "隠す from the menu of a hung window"
hang_target H
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_HIDE" "hiding the hung window"
manager_answers "隠す chosen for the hung window"
other_window_hides_and_shows "隠す chosen for the hung window"
hang_hold "隠す chosen for the hung window"
unhang_target H "隠す chosen for the hung window"
soft_expect "the window is hidden once it answers" visible=0 5000 --hwnd "$HWND_H"

e2e_step "表示 from the menu of a hung window (hidden)"
hang_target H
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_SHOW" "showing the hung window"
manager_answers "表示 chosen for the hung window"
hang_hold "表示 chosen for the hung window"
unhang_target H "表示 chosen for the hung window"
soft_expect "the window is shown once it answers" visible=1,iconic=0 5000 --hwnd "$HWND_H"

e2e_step "opacity, always on top and a title style for a hung window"
hang_target H
open_icon_menu 1 "$TRAY_LAYOUT" "the hung window's opacity"
open_submenu "$T_ALPHA" "$OPACITY_LAYOUT"
click_menu_item "$A_50"
poll_for 10 no_menu_open || e2e_fail "the menus stay open after 50%"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TOPMOST" "the hung window on top"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TITLE_TOOL" "the hung window as a tool window"
manager_answers "menu commands chosen for the hung window"
other_window_hides_and_shows "menu commands chosen for the hung window"
hang_hold "menu commands chosen for the hung window"
unhang_target H "menu commands chosen for the hung window"
soft_expect "always on top reaches the window once it answers" topmost=1 5000 --hwnd "$HWND_H"
# A style word waits for the program: chosen while it hangs, the style is
# kept and written once the program answers again.
soft_expect "the tool window title chosen while it hung reaches the window once it answers" \
  toolwindow=1 5000 --hwnd "$HWND_H"
click_window "$HWND_H"
soft_expect "activated, the window takes the 50 % chosen while it hung" fg=1,alpha=127 5000 \
  --hwnd "$HWND_H"
click_window "$HWND_B"
soft_expect "inactive again, the window is opaque" fg=0,alpha=255 5000 --hwnd "$HWND_H"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TOPMOST" "the window no longer on top"
soft_expect "最前面表示 again takes it off the top: the manager knew it was on top" topmost=0 5000 \
  --hwnd "$HWND_H"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TITLE_DEFAULT" "the window's own title bar"
soft_expect "デフォルト gives the window its own title bar back" toolwindow=0,caption=1 5000 \
  --hwnd "$HWND_H"

e2e_step "the rule list open while a program hangs"
click_tray_icon 0
expect_window "the manager is shown from its icon" visible=1 5000 --hwnd "$MANAGER_HWND"
click_control --hwnd "$MANAGER_HWND" --id 1001
wait_for "the rule list opens" 10 dialog_up "$LIST_CAPTION"
LIST_HWND=$(hwnd_of "$LIST_CAPTION")
wait_for "the rule list lists the window" 5 lists_hung
hang_target H
click_control --hwnd "$LIST_HWND" --id 1005
manager_answers "再検索 with the window hung"
wait_for "after 再検索 the list still lists the hung window" 10 lists_hung
other_window_hides_and_shows "the rule list open, a window hung"
click_control --hwnd "$LIST_HWND" --id 2
wait_for "the rule list closes while the window hangs" 10 dialog_gone "$LIST_CAPTION"
expect_window "the manager comes back" visible=1 5000 --hwnd "$MANAGER_HWND"
e2e_log "the rule list opened while the window hangs"
click_control --hwnd "$MANAGER_HWND" --id 1001
wait_for "the rule list opens while the window hangs" 10 dialog_up "$LIST_CAPTION"
LIST_HWND=$(hwnd_of "$LIST_CAPTION")
wait_for "it lists the hung window" 10 lists_hung
manager_answers "the rule list opened with the window hung"
hang_hold "the rule list open, a window hung"
click_control --hwnd "$LIST_HWND" --id 2
wait_for "the rule list closes again" 10 dialog_gone "$LIST_CAPTION"
unhang_target H "the rule list open, a window hung"
soft_expect "the window is still shown once it answers" visible=1,iconic=0 5000 --hwnd "$HWND_H"
click_control --hwnd "$MANAGER_HWND" --id 1
expect_window "the manager's 隠す button hides it" visible=0 5000 --hwnd "$MANAGER_HWND"

e2e_step "exit while a window hidden by us hangs"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_HIDE" "hiding the window before it hangs"
expect_window "the window is hidden" visible=0 5000 --hwnd "$HWND_H"
hang_target H
# The exit comes once the program counts as hung (past the hang's length,
# at most Wine's 5 s mark).
until_t=$((HANG_STARTED + (HANG_SECONDS < 5 ? HANG_SECONDS : 5)))
while ((SECONDS < until_t)); do manager_answers "a hidden window hung"; sleep 1; done
click_tray_icon 0
expect_window "the manager is shown from its icon" visible=1 5000 --hwnd "$MANAGER_HWND"
click_control --hwnd "$MANAGER_HWND" --id 1000
wait_for "終了 asks first" 10 eval '[ -n "$(morimo_boxes)" ]'
click_control --same-process "$MANAGER_HWND" --visible-only --id 6
yes_at=$(date +%s%N)
poll_for 15 morimo_gone
exit_ms=$((($(date +%s%N) - yes_at) / 1000000))
if morimo_gone && ((exit_ms <= 5000)); then
  e2e_pass "morimo.exe ends $exit_ms ms after Yes, the window hung"
else
  e2e_miss "morimo.exe has not ended within 5 s of Yes with the window hung ($exit_ms ms)"
fi
wait_for "morimo.exe has ended" 30 morimo_gone
wait "$MORIMO_PID"
rc=$?
if [ "$rc" = 0 ]; then e2e_pass "exit code 0"; else e2e_miss "morimo.exe exit code $rc"; fi
watch_manager_stop "exit with the window hung"
if [ ! -e "$E2E_HWNDS" ]; then
  e2e_pass "no recovery file left"
else
  e2e_miss "the recovery file is left: $(recovery_handles | tr '\n' ' ')"
fi
if tray=$(probe tray --count 0 --timeout 5000); then
  e2e_pass "no tray icons left"
else
  e2e_miss "tray icons left: $tray"
fi
soft_expect "the other window is as it was found" visible=1,alpha=255,topmost=0,toolwindow=0,caption=1 \
  5000 --hwnd "$HWND_B"
until_t=$((HANG_STARTED + HANG_SECONDS))
while ((SECONDS < until_t)); do sleep 1; done
target_cmd H unhang
wait_for "program H runs again" 10 target_logged H "hang end"
soft_expect "the window hung at the exit is shown once it answers" visible=1 5000 --hwnd "$HWND_H"
soft_expect "... restored, opaque, not on top, with its own title bar" \
  iconic=0,alpha=255,topmost=0,toolwindow=0,caption=1 5000 --hwnd "$HWND_H"
print_worst_answer

e2e_done
