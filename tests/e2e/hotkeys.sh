#!/usr/bin/env bash
# The hotkeys with real keys: Ctrl+Alt+Shift+Down sends the window in front
# to the tray with an icon of its own, Ctrl+Alt+Shift+Up brings it back and
# its icon leaves; a window hidden so when morimo.exe is killed is shown by
# the next start; the dialog sets another combination, which works at once
# and is in the settings file after the exit; and one that another program
# has taken is refused with a message while the dialog stays open.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

HOTKEY_CAPTION="ホットキー"
# The main menu as res/morimo.rc lays it out (see menus.sh).
MAIN_LAYOUT="1 2 3 4 1"
M_HOTKEYS=4
TO_TRAY=1060 RESTORE=1061
CTRL_ALT_T=$(((6 << 8) | 0x54))
CTRL_ALT_Y=$(((6 << 8) | 0x59))

# in_front CAPTION: a click on the window, until it is the foreground one.
in_front() {
  local hwnd
  hwnd=$(hwnd_of "$1") || e2e_fail "no window '$1'"
  click_window "$hwnd"
  expect_window "'$1' is in front" visible=1,fg=1 5000 --caption "$1"
}

icons() { probe tray | grep -c '^icon '; }
icons_are() { [ "$(icons)" = "$1" ]; }

open_hotkey_dialog() {
  choose_from_icon_menu 0 "$MAIN_LAYOUT" "$M_HOTKEYS" "the hotkey item"
  expect_window "the hotkey dialog opens in front" visible=1,fg=1 10000 --caption "$HOTKEY_CAPTION" --class "#32770"
  DIALOG_HWND=$(hwnd_of "$HOTKEY_CAPTION")
}

{
  ini_general
} | write_ini

e2e_step "a window sent to the tray and back with the default keys"
start_morimo
probe tray --count 1 --timeout 10000 >/dev/null || e2e_fail "the manager's icon did not come"
start_target A --caption "ホットキーA"
in_front "ホットキーA"
xdotool key ctrl+alt+shift+Down
expect_window "Ctrl+Alt+Shift+Down hides it" visible=0 5000 --caption "ホットキーA"
wait_for "it has a tray icon of its own" 5 icons_are 2
xdotool key ctrl+alt+shift+Up
expect_window "Ctrl+Alt+Shift+Up brings it back" visible=1,iconic=0 5000 --caption "ホットキーA"
wait_for "its icon leaves" 5 icons_are 1

e2e_step "a window hidden by the hotkey when morimo.exe is killed"
start_target B --caption "ホットキーB" --pos 460,40
in_front "ホットキーB"
xdotool key ctrl+alt+shift+Down
expect_window "it is hidden" visible=0 5000 --caption "ホットキーB"
wait_for "the ruleless file names it" 5 test -s "$E2E_HWNDS.ruleless"
kill -9 "$MORIMO_PID"
wait_for "morimo.exe killed" 10 morimo_gone
wait "$MORIMO_PID" 2>/dev/null
start_morimo
expect_window "the next start shows it again" visible=1,iconic=0 10000 --caption "ホットキーB"
wait_for "with no icon of its own" 5 icons_are 1

e2e_step "another combination from the dialog, at once"
open_hotkey_dialog
e2e_log "screenshot: $(e2e_shot_window "$DIALOG_HWND" hotkey-dialog)"
click_control --hwnd "$DIALOG_HWND" --id "$TO_TRAY"
xdotool key ctrl+alt+t
click_control --hwnd "$DIALOG_HWND" --id 1
expect_window "OK closes the dialog" count=0 5000 --caption "$HOTKEY_CAPTION" --class "#32770"
in_front "ホットキーA"
xdotool key ctrl+alt+t
expect_window "Ctrl+Alt+T now hides it" visible=0 5000 --caption "ホットキーA"
# Wine hears keys only while one of its windows has the X focus.
in_front "ホットキーB"
xdotool key ctrl+alt+shift+Up
expect_window "and it comes back" visible=1 5000 --caption "ホットキーA"

e2e_step "a combination another program holds"
# Typed first: once held, the system hands its presses to the holder, not
# to the control.
open_hotkey_dialog
click_control --hwnd "$DIALOG_HWND" --id "$RESTORE"
xdotool key ctrl+alt+y
start_target C --caption "ホットキーC" --pos 460,300 --hold-hotkey "$CTRL_ALT_Y"
wait_for "another program takes Ctrl+Alt+Y meanwhile" 10 target_logged C "hotkey held"
click_control --hwnd "$DIALOG_HWND" --id 1
box_up() { [ -n "$(morimo_boxes | grep -v "^hwnd=$DIALOG_HWND ")" ]; }
wait_for "a message says it cannot be registered" 10 box_up
e2e_log "screenshot: $(e2e_shot refused)"
xdotool key Return
expect_window "the dialog stays open" visible=1 5000 --hwnd "$DIALOG_HWND"
click_control --hwnd "$DIALOG_HWND" --id 2
expect_window "キャンセル closes it" count=0 5000 --caption "$HOTKEY_CAPTION" --class "#32770"

e2e_step "the new combination is in the settings file after the exit"
exit_morimo || e2e_fail "morimo.exe did not exit (status ${MORIMO_RC:-none})"
grep -aq "^HotKeyToTray=$CTRL_ALT_T"$'\r'"\$" "$E2E_INI" ||
  e2e_fail "the settings file has $(grep -a HotKey "$E2E_INI" | tr -d '\r' | tr '\n' ' ')"
e2e_pass "HotKeyToTray=$CTRL_ALT_T"
grep -aq "^HotKeyRestore=1830"$'\r'"\$" "$E2E_INI" || e2e_fail "the refused one was saved"
e2e_pass "the refused combination was not saved"

e2e_done
