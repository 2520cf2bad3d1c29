#!/usr/bin/env bash
# Rules made, changed and deleted with the rule dialogs, as a user on a
# Japanese system does it with the mouse and keys: a rule from the window
# list and one from the window picker, the properties of a managed window
# from its tray menu, and a deletion that lets the window go.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

CAPTION="E2E Dialog Target"
ROW_TEXTS="$CAPTION|$CAPTION|MoriMoTarget|<使用しない>|隠す|いつも表示|しない|"

ini_general TraySpec_Count=0 | write_ini

ini_has() { ini_pairs "$E2E_INI" | grep -qxF "$1"; }
dialog_hwnd() { hwnd_of "$1" 2>/dev/null; }

# control_is HWND ID KEY=VALUE: a field of the control's probe line.
control_is() {
  local line
  line=$(probe child --hwnd "$1" --id "$2") || return 1
  [ "$(probe_field "$line" "${3%%=*}")" = "${3#*=}" ]
}
# rows HWND ID: the rows of a list view, one "texts" value a line.
rows() { probe items --hwnd "$1" --id "$2" | sed -n 's/^row=.* texts=//p'; }
rows_are() {
  local hwnd=$1 id=$2
  shift 2
  [ "$(rows "$hwnd" "$id")" = "$(printf '%s\n' "$@")" ]
}

open_rule_list() {
  click_control --hwnd "$MANAGER_HWND" --id 1001
  wait_for "the rule list opens ($1)" 10 dialog_up "$LIST_CAPTION"
  LIST_HWND=$(dialog_hwnd "$LIST_CAPTION")
}

close_rule_list() {
  click_control --hwnd "$LIST_HWND" --id 2
  wait_for "the rule list closes ($1)" 10 dialog_gone "$LIST_CAPTION"
}

# In the open editor: "で始まる", then "登録".
register_starts_with() {
  wait_for "the rule editor opens ($1)" 10 dialog_up "$EDITOR_CAPTION"
  EDITOR_HWND=$(dialog_hwnd "$EDITOR_CAPTION")
  control_is "$EDITOR_HWND" 1013 "text=$CAPTION" || e2e_fail "the editor's title is not the window's"
  control_is "$EDITOR_HWND" 1014 "text=MoriMoTarget" || e2e_fail "the editor's class is not the window's"
  e2e_pass "the editor holds the window's title and class name ($1)"
  click_control --hwnd "$EDITOR_HWND" --id 1010
  wait_for "'で始まる' is chosen ($1)" 5 control_is "$EDITOR_HWND" 1010 checked=1
  [ -n "${2:-}" ] && e2e_log "screenshot: $(e2e_shot "$2")"
  click_control --hwnd "$EDITOR_HWND" --id 1
  wait_for "'登録' closes the editor ($1)" 10 dialog_gone "$EDITOR_CAPTION"
}

e2e_step "a target window and morimo.exe without rules"
# Below the tray window, which grows with the DPI (a tray icon covered by
# the target would open the target's system menu instead).
start_target T --caption "$CAPTION" --pos 30,120 --size 360,200
TARGET_HWND=$(hwnd_of "$CAPTION")
start_morimo
tray=$(probe tray --count 1 --timeout 10000) || e2e_fail "want the manager's tray icon alone: $tray"
click_tray_icon 0
expect_window "the manager is shown from its icon" visible=1 5000 --hwnd "$MANAGER_HWND"

e2e_step "Settings: select the target in the upper list, Add, 'で始まる', register"
open_rule_list "first"
expect_window "the manager hides while the rule list is open" visible=0 5000 --hwnd "$MANAGER_HWND"
click_row "$LIST_HWND" 1003 "$CAPTION|表示|MoriMoTarget"
wait_for "selecting the window enables Add" 5 control_is "$LIST_HWND" 1 enabled=1
e2e_log "screenshot: $(e2e_shot rule-list)"
click_control --hwnd "$LIST_HWND" --id 1
register_starts_with "Add" rule-editor
wait_for "the new rule is the lower list's row" 5 rows_are "$LIST_HWND" 1002 "$ROW_TEXTS"
dialog_up "$LIST_CAPTION" || e2e_fail "registering closed the rule list"
e2e_log "screenshot: $(e2e_shot rule-list-with-rule)"
close_rule_list "first"
expect_window "the manager comes back" visible=1 5000 --hwnd "$MANAGER_HWND"
for pair in "General|TraySpec_Count|1" "TraySpec_0000|Caption|$CAPTION" \
  "TraySpec_0000|UserName|$CAPTION" "TraySpec_0000|ClassName|MoriMoTarget" \
  "TraySpec_0000|CaptionMatchType|1" "TraySpec_0000|UseCaption|1" \
  "TraySpec_0000|UseClassname|1" "TraySpec_0000|HideIfIconized|1"; do
  wait_for "the settings file holds $pair" 5 ini_has "$pair"
done
wait_for "the next scan adopts the window" 10 recovery_is "$MANAGER_HWND" "$TARGET_HWND"
tray=$(probe tray --count 2 --timeout 5000) || e2e_fail "want two tray icons: $tray"
e2e_pass "the target has its tray icon"

e2e_step "the same rule again by dragging the target icon onto the window"
open_rule_list "picker"
line=$(probe child --hwnd "$LIST_HWND" --id 1022) || e2e_fail "no target icon: $line"
from=$(probe_field "$line" center)
# The hot spot (the pointer's position) lands on the target's client area,
# left of the rule list, which covers the rest of it at a high DPI.
IFS=, read -r tl tt tr tb <<<"$(probe_field "$(probe list --hwnd "$TARGET_HWND")" rect)"
IFS=, read -r ll _ <<<"$(probe_field "$(probe list --hwnd "$LIST_HWND")" rect)"
((ll < tr)) && tr=$ll
((tl + 20 < tr)) || e2e_fail "the rule list covers the target window"
drop_x=$(((tl + tr) / 2)) drop_y=$(((tt + tb) / 2 + 10))
xdotool mousemove "${from%,*}" "${from#*,}" mousedown 1 \
  mousemove $((${from%,*} - 40)) $((${from#*,} - 40)) mousemove $((drop_x - 10)) $((drop_y + 10)) \
  mousemove "$drop_x" "$drop_y" mouseup 1
register_starts_with "picker"
wait_for "the picked window's rule is the second row" 5 \
  rows_are "$LIST_HWND" 1002 "$ROW_TEXTS" "$ROW_TEXTS"

e2e_step "the second rule is deleted again (nothing uses it)"
click_row "$LIST_HWND" 1002 "$ROW_TEXTS"
wait_for "selecting a rule enables Delete" 5 control_is "$LIST_HWND" 1008 enabled=1
# Both rows read the same: the first is selected; either will do here.
click_control --hwnd "$LIST_HWND" --id 1008
wait_for "the deletion is asked about" 10 question_up
click_control --same-process "$MANAGER_HWND" --visible-only --id 6
wait_for "one rule is left" 5 rows_are "$LIST_HWND" 1002 "$ROW_TEXTS"
close_rule_list "picker"
wait_for "the settings file holds one rule" 5 ini_has "General|TraySpec_Count|1"
recovery_is "$MANAGER_HWND" "$TARGET_HWND" || e2e_fail "the window was let go by an unused rule"
e2e_pass "the window stays managed"

e2e_step "Properties from the target's tray menu: no hiding when minimised"
# With the manager shown, Wine (without a window manager) takes the menu
# away again as the tray window and the manager trade activation; the user
# has put the manager away with "隠す(&C)".
click_control --hwnd "$MANAGER_HWND" --id 1
expect_window "the manager is put away" visible=0 5000 --hwnd "$MANAGER_HWND"
menu_up() { probe wait --class "#32768" --visible-only --until count=1 --timeout 100 >/dev/null; }
# The icon's message is dropped when it comes while the manager is in the
# middle of a scan (its guard wants it so): a user clicks again.
for attempt in 1 2 3 4 5; do
  click_tray_icon 1 3
  poll_for 2 menu_up && break
done
menu_up || e2e_fail "no tray menu after $attempt right clicks"
e2e_pass "a right click on the target's icon opens its tray menu (click $attempt)"
# Keys go to the X window with the input focus, which the click left on the
# tray's own window; without a window manager to move it, it is given to
# the menu's window before the key.
rect=$(probe_field "$(probe list --class "#32768" --visible-only | head -n1)" rect)
menu_x=""
for w in $(xdotool search --onlyvisible --classname morimo.exe 2>/dev/null); do
  if xdotool getwindowgeometry "$w" | grep -q "Position: ${rect%%,*},$(cut -d, -f2 <<<"$rect") "; then
    menu_x=$w
  fi
done
[ -n "$menu_x" ] || e2e_fail "no X window for the tray menu at $rect"
xdotool windowfocus --sync "$menu_x" key p  # "プロパティ\t(&P)"
wait_for "the tray menu's プロパティ opens the editor for the target's rule" 10 \
  dialog_up "$EDITOR_CAPTION"
EDITOR_HWND=$(dialog_hwnd "$EDITOR_CAPTION")
control_is "$EDITOR_HWND" 1015 checked=1 || e2e_fail "'最小化時にタスクバーボタンを隠す' is not ticked"
click_control --hwnd "$EDITOR_HWND" --id 1015
wait_for "'最小化時にタスクバーボタンを隠す' is cleared" 5 control_is "$EDITOR_HWND" 1015 checked=0
click_control --hwnd "$EDITOR_HWND" --id 1
wait_for "'登録' closes the editor" 10 dialog_gone "$EDITOR_CAPTION"
wait_for "the settings file holds HideIfIconized=0" 5 ini_has "TraySpec_0000|HideIfIconized|0"
click_minimize "$CAPTION"
expect_window "the target is minimised" iconic=1 5000 --caption "$CAPTION"
# Four scan periods: a rule that still hid it would have done so by then.
if probe wait --caption "$CAPTION" --until visible=0 --timeout 2000 >/dev/null; then
  e2e_fail "the minimised target was hidden all the same"
fi
e2e_pass "the minimised target stays on the screen"
target_cmd T "restore 1"
expect_window "the target is restored" iconic=0,visible=1 5000 --caption "$CAPTION"

e2e_step "deleting the rule lets the window go"
click_tray_icon 0
expect_window "the manager is shown from its icon" visible=1 5000 --hwnd "$MANAGER_HWND"
open_rule_list "delete"
click_row "$LIST_HWND" 1002 "$CAPTION"
wait_for "selecting the rule enables Delete" 5 control_is "$LIST_HWND" 1008 enabled=1
click_control --hwnd "$LIST_HWND" --id 1008
wait_for "the deletion is asked about" 10 question_up
click_control --same-process "$MANAGER_HWND" --visible-only --id 6
wait_for "the lower list is empty" 5 rows_are "$LIST_HWND" 1002
wait_for "the window is let go at once" 5 recovery_is "$MANAGER_HWND"
tray=$(probe tray --count 1 --timeout 5000) || e2e_fail "the target's icon stays: $tray"
e2e_pass "its tray icon is gone"
close_rule_list "delete"
wait_for "the settings file holds no rule" 5 ini_has "General|TraySpec_Count|0"
expect_window "the target is left shown" visible=1 2000 --caption "$CAPTION"
morimo_running || e2e_fail "morimo.exe has ended"
e2e_pass "morimo.exe still runs"

e2e_done
