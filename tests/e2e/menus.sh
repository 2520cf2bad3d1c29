#!/usr/bin/env bash
# The tray menus with real clicks on the real icons and menus, on a
# Japanese system: a managed window's menu hides and shows it, sets its
# opacity while active, keeps it on top and changes its title bar; the
# manager's own menu shows the manager (three windows listed, the hidden
# one ghosted) and asks before it ends the program. Screenshots
# of both menus and of the manager are left in the work folder.
#
# Menu items are clicked where the menu's pixels put them (see e2e_lib.sh,
# "Popup menus"). The manager's icon menu is opened only while the manager
# window is hidden: while it is shown, Wine's tray often takes the X focus
# back after the click on its icon, and the menu closes as soon as it
# opens (Wine without a window manager; the program is not involved).
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

# What res/morimo.rc gives the two popups: text items between separators,
# and the items clicked below (counted without separators).
TRAY_LAYOUT="1 4 1 3 4 1 1"
T_SHOW=1 T_HIDE=2 T_ALPHA=3 T_TOPMOST=5 T_TITLE_DEFAULT=10 T_TITLE_TOOL=11
OPACITY_LAYOUT="12"
A_50=5
MAIN_LAYOUT="1 2 3 4 1"
M_SHOW=1 M_EXIT=10

e2e_step "a rule for every window whose caption starts with ターゲット"
{
  ini_general
  ini_rule 0 Caption=ターゲット UserName=メニューの試験
} | write_ini

e2e_step "morimo.exe, then three windows, adopted one at a time"
start_morimo
probe tray --count 1 --timeout 10000 >/dev/null || e2e_fail "the manager's icon did not come"
# One at a time, so that the icons lie in a known order: the manager's
# first, then A, B and C.
icons=1
for name in A B C; do
  case $name in
    A) pos=320,80 ;;
    B) pos=720,80 ;;
    C) pos=720,330 ;;
  esac
  start_target "$name" --caption "ターゲット $name" --pos "$pos"
  icons=$((icons + 1))
  tray=$(probe tray --count "$icons" --timeout 10000) || e2e_fail "window $name got no icon: $tray"
done
e2e_pass "four icons: the manager's, then A, B and C"
HWND_A=$(hwnd_of "ターゲット A")
HWND_B=$(hwnd_of "ターゲット B")
HWND_C=$(hwnd_of "ターゲット C")

e2e_step "A's icon: its tray menu hides and shows it"
open_icon_menu 1 "$TRAY_LAYOUT" "hiding A"
[ -n "$(probe list --hwnd "$MENU_HWND" --same-process "$MANAGER_HWND")" ] ||
  e2e_fail "the menu is not morimo.exe's"
e2e_pass "a right click on A's icon opens morimo.exe's tray menu, laid out as the resource has it"
click_menu_item "$T_HIDE"
expect_window "隠す hides A" visible=0 5000 --hwnd "$HWND_A"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_SHOW" "showing A"
expect_window "表示 shows A again, in front" visible=1,iconic=0,fg=1 5000 --hwnd "$HWND_A"

e2e_step "50 % in the active-opacity submenu, in effect at A's next activation"
open_icon_menu 1 "$TRAY_LAYOUT" "A's opacity"
tray_menu_bottom=$MENU_BOTTOM
open_submenu "$T_ALPHA" "$OPACITY_LAYOUT"
e2e_pass "the active-opacity submenu opens with its twelve items"
e2e_log "screenshot: $(e2e_shot_settled tray-menu 0 0 "$((MENU_RIGHT + 8))" "$((tray_menu_bottom + 8))")"
click_menu_item "$A_50"
poll_for 10 no_menu_open || e2e_fail "the menus stay open after 50%"
# The menu made the manager the foreground window: A is inactive now, and
# a click on it makes it active again.
line=$(probe list --hwnd "$HWND_A")
IFS=, read -r l t r b <<<"$(probe_field "$line" rect)"
click_at "$(((l + r) / 2))" "$(((t + b) / 2))"
expect_window "activated, A is at 50 % (alpha 127)" fg=1,layered=1,alpha=127 5000 --hwnd "$HWND_A"
line=$(probe list --hwnd "$HWND_B")
IFS=, read -r l t r b <<<"$(probe_field "$line" rect)"
click_at "$(((l + r) / 2))" "$(((t + b) / 2))"
expect_window "inactive again, A is opaque (the inactive opacity stayed 100 %)" fg=0,alpha=255 5000 \
  --hwnd "$HWND_A"

e2e_step "最前面表示 sets and clears the topmost style"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TOPMOST" "A on top"
expect_window "最前面表示 puts A on top" topmost=1 5000 --hwnd "$HWND_A"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TOPMOST" "A no longer on top"
expect_window "最前面表示 again takes A off the top" topmost=0 5000 --hwnd "$HWND_A"

e2e_step "ツールウインドウ changes the title bar, デフォルト gives it back"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TITLE_TOOL" "A as a tool window"
expect_window "ツールウインドウ gives A a tool window's title bar" toolwindow=1,caption=1 5000 \
  --hwnd "$HWND_A"
choose_from_icon_menu 1 "$TRAY_LAYOUT" "$T_TITLE_DEFAULT" "A's own title bar"
expect_window "デフォルト gives A its own title bar back" toolwindow=0,caption=1 5000 --hwnd "$HWND_A"

e2e_step "C hidden from its menu; the manager's own icon: the main menu"
choose_from_icon_menu 3 "$TRAY_LAYOUT" "$T_HIDE" "hiding C"
expect_window "C is hidden" visible=0 5000 --hwnd "$HWND_C"
open_icon_menu 0 "$MAIN_LAYOUT" "the main menu"
e2e_pass "a right click on the manager's icon opens the main menu, laid out as the resource has it"
e2e_log "screenshot: $(e2e_shot_settled main-menu 0 0 "$((MENU_RIGHT + 8))" "$((MENU_BOTTOM + 8))")"
click_menu_item "$M_SHOW"
expect_window "表示 shows the manager window, in front" visible=1,iconic=0,fg=1 5000 \
  --hwnd "$MANAGER_HWND"
list=$(probe_field "$(probe child --hwnd "$MANAGER_HWND" --id 1002)" hwnd)
# LVM_GETITEMCOUNT and LVM_GETITEMSTATE carry no pointers: they can be
# asked from another process. Items sort by caption: A, B, C.
items=$(probe_field "$(probe send --hwnd "$list" --msg 0x1004)" result)
[ "$items" = 3 ] || e2e_fail "the manager lists $items windows, not 3"
e2e_pass "the manager lists the three windows"
cut_state() { probe_field "$(probe send --hwnd "$list" --msg 0x102C --wparam "$1" --lparam 4)" result; }
[ "$(cut_state 0)$(cut_state 1)$(cut_state 2)" = "004" ] ||
  e2e_fail "ghosted items (LVIS_CUT of A, B, C): $(cut_state 0) $(cut_state 1) $(cut_state 2)"
e2e_pass "only the hidden window's item is ghosted"
# Wine draws a ghosted (cut) item as such only when the list paints while
# it has the focus; Windows always does. A click on the list's empty part
# gives it the focus, and one more painting (asked for, not input) shows
# the item as a user sees it on Windows.
IFS=, read -r l t r b <<<"$(probe_field "$(probe child --hwnd "$MANAGER_HWND" --id 1002)" rect)"
click_at "$((l + 20))" "$((b - 20))"
list_focused() { probe foreground | grep -q "^focus hwnd=$list "; }
poll_for 5 list_focused || e2e_log "the list did not take the focus: its hidden item may not look ghosted"
IFS=, read -r x0 y0 x1 y1 <<<"$(probe_field "$(probe list --hwnd "$MANAGER_HWND")" rect)"
before=$(area_sum "$x0" "$y0" "$((x1 - x0))" "$((y1 - y0))")
probe redraw --hwnd "$MANAGER_HWND" >/dev/null
e2e_log "screenshot: $(e2e_shot_settled manager "$x0" "$y0" "$((x1 - x0))" "$((y1 - y0))" "$before")"
click_control --hwnd "$MANAGER_HWND" --id 1
expect_window "its 隠す button hides the manager again" visible=0 5000 --hwnd "$MANAGER_HWND"

e2e_step "終了 in the main menu asks first; No keeps the program"
choose_from_icon_menu 0 "$MAIN_LAYOUT" "$M_EXIT" "exit, answered No"
wait_for "終了 asks a question" 10 eval '[ -n "$(morimo_boxes)" ]'
text=$(probe_field "$(probe child --same-process "$MANAGER_HWND" --visible-only --id 65535)" text)
[ "$text" = "MoriMoを終了しますか？" ] || e2e_fail "the question reads '$text'"
e2e_pass "the question reads MoriMoを終了しますか？"
click_control --same-process "$MANAGER_HWND" --visible-only --id 7
wait_for "No closes the question" 10 eval '[ -z "$(morimo_boxes)" ]'
morimo_running || e2e_fail "morimo.exe ended after No"
tray=$(probe tray --count 4 --timeout 3000) || e2e_fail "after No the icons are not all there: $tray"
[ -f "$E2E_HWNDS" ] || e2e_fail "after No the recovery file is gone"
e2e_pass "after No morimo.exe still runs, with its four icons and its recovery file"

e2e_step "終了 again, and Yes: the program ends and gives every window back"
choose_from_icon_menu 0 "$MAIN_LAYOUT" "$M_EXIT" "exit, answered Yes"
wait_for "終了 asks again" 10 eval '[ -n "$(morimo_boxes)" ]'
click_control --same-process "$MANAGER_HWND" --visible-only --id 6
wait_for "Yes ends morimo.exe" 15 morimo_gone
wait "$MORIMO_PID"
rc=$?
[ "$rc" = 0 ] || e2e_fail "morimo.exe exit code $rc"
e2e_pass "exit code 0"
soft_expect "the hidden window C is shown again" visible=1 5000 --hwnd "$HWND_C"
# Opaque, layered or not: a program that does not answer within a second
# at the exit keeps the style words we gave it, by design, but never our
# transparency.
soft_expect "A, B and C are left as they were found (opaque, not on top, own title bar)" \
  count=3,alpha=255,topmost=0,toolwindow=0,caption=1 5000 --caption-prefix "ターゲット"
[ ! -e "$E2E_HWNDS" ] || e2e_fail "the recovery file is left: $(recovery_handles | tr '\n' ' ')"
e2e_pass "no recovery file left"
tray=$(probe tray --count 0 --timeout 5000) || e2e_fail "tray icons left: $tray"
e2e_pass "no tray icons left"

e2e_done
