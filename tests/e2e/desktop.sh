#!/usr/bin/env bash
# The desktop as people have it today, on the real program under Wine:
#  - a portable copy (an empty MoriMo.ini beside morimo.exe) keeps its
#    settings, recovery file and log beside the program, nothing in the
#    profile;
#  - a title with characters the ANSI code page lacks is matched by the
#    part it holds ("contains テスト") and shown whole in its tray tip and
#    in the manager's list; a rule made from such a window in the rule list
#    tests the part of its caption without the lost characters;
#  - "Windows の起動時に開始" writes the logon Run value naming this very
#    program file, and takes it away again.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

TITLE="Ünïcødé 🎵 한국어 テスト"
CHAT="Chat 🎵 한국어"
MAIN_LAYOUT="1 2 3 4 1"
M_START=5
RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

e2e_step "a portable copy: an empty MoriMo.ini beside the program"
PORTABLE=$E2E_WORK/portable
mkdir -p "$PORTABLE"
cp "$E2E_MORIMO" "$PORTABLE/morimo.exe" || e2e_fail "could not copy morimo.exe"
E2E_MORIMO=$PORTABLE/morimo.exe
E2E_DATA=$PORTABLE
E2E_INI=$PORTABLE/MoriMo.ini
E2E_HWNDS=$PORTABLE/hwnds
PROFILE_DATA=$E2E_APPDATA/MoriMo
{
  ini_general
  ini_rule 0 "UserName=テスト" "Caption=テスト" CaptionMatchType=3
} | write_ini
start_morimo
probe tray --count 1 --timeout 10000 >/dev/null || e2e_fail "the manager's icon did not come"

e2e_step "a title beyond the ANSI code page"
start_target T --caption "$TITLE"
probe tray --count 2 --timeout 10000 >/dev/null ||
  e2e_fail "the window titled \"$TITLE\" got no tray icon: \"contains テスト\" did not match"
e2e_pass "\"contains テスト\" takes the window"
poll_for 5 test -s "$E2E_HWNDS" && e2e_pass "the recovery file is beside the portable copy" ||
  e2e_miss "no recovery file beside the portable copy"
if poll_for 5 eval 'probe tips | sed "s/^icon hwnd=[^ ]* //" | grep -qxF -- "text=$TITLE"'; then
  e2e_pass "its tray tip shows the whole title"
else
  e2e_miss "its tray tip is not the whole title: $(probe tips | tr '\n' ';')"
fi
if probe items --hwnd "$MANAGER_HWND" --id 1002 | grep -qF -- "texts=$TITLE"; then
  e2e_pass "the manager's list shows the whole title"
else
  e2e_miss "the manager's list: $(probe items --hwnd "$MANAGER_HWND" --id 1002 | tr '\n' ';')"
fi

e2e_step "Windows の起動時に開始 writes the Run value and takes it away"
run_value() { wine reg query "$RUN_KEY" /v MoriMo 2>/dev/null | tr -d '\r' | awk '$1 == "MoriMo" { $1 = ""; $2 = ""; sub(/^  */, ""); print }'; }
choose_from_icon_menu 0 "$MAIN_LAYOUT" "$M_START" "starting with Windows"
expected="\"$(winpath "$E2E_MORIMO")\""
if poll_for 5 eval '[ "$(run_value)" = "$expected" ]'; then
  e2e_pass "the Run value names this program file, quoted"
else
  e2e_miss "the Run value is \"$(run_value)\", not $expected"
fi
choose_from_icon_menu 0 "$MAIN_LAYOUT" "$M_START" "no more starting with Windows"
if poll_for 5 eval '[ -z "$(run_value)" ]'; then
  e2e_pass "chosen again, the Run value is gone"
else
  e2e_miss "the Run value stays: $(run_value)"
fi

e2e_step "a rule made from a window whose title the code page cannot hold"
start_target C --caption "$CHAT" --pos 460,300
click_tray_icon 0
expect_window "the manager is shown from its icon" visible=1 5000 --hwnd "$MANAGER_HWND"
click_control --hwnd "$MANAGER_HWND" --id 1001
wait_for "the rule list opens" 10 dialog_up "$LIST_CAPTION"
LIST_HWND=$(hwnd_of "$LIST_CAPTION")
click_row "$LIST_HWND" 1003 "$CHAT|"
e2e_pass "the rule list's window list shows the whole title"
click_control --hwnd "$LIST_HWND" --id 1
wait_for "the rule editor opens" 10 dialog_up "$EDITOR_CAPTION"
EDITOR_HWND=$(hwnd_of "$EDITOR_CAPTION")
field() { probe_field "$(probe child --hwnd "$EDITOR_HWND" --id "$1")" "$2"; }
[ "$(field 1013 text)" = Chat ] && [ "$(field 1016 checked)" = 1 ] &&
  e2e_pass "the editor proposes \"contains Chat\"" ||
  e2e_miss "the editor's caption is '$(field 1013 text)' (contains: $(field 1016 checked))"
[ -n "$(field 1059 text)" ] && e2e_pass "the editor says why: $(field 1059 text)" ||
  e2e_miss "the editor says nothing of the lost characters"
e2e_log "screenshot: $(e2e_shot rule-editor-lost-characters)"
click_control --hwnd "$EDITOR_HWND" --id 2
click_control --hwnd "$LIST_HWND" --id 2
wait_for "the rule list closes" 10 dialog_gone "$LIST_CAPTION"

exit_morimo || e2e_fail "morimo.exe did not exit (status ${MORIMO_RC:-none})"
expect_window "the window is given back at the exit" visible=1 5000 --caption "$TITLE"
for f in MoriMo.ini MoriMo.log; do
  [ -f "$PORTABLE/$f" ] && e2e_pass "the portable copy keeps $f beside the program" ||
    e2e_miss "no $f beside the portable copy"
done
[ ! -e "$PROFILE_DATA" ] && e2e_pass "nothing in the profile" ||
  e2e_miss "the profile has $(ls "$PROFILE_DATA" | tr '\n' ' ')"
e2e_done
