#!/usr/bin/env bash
# The restart as administrator under Wine, where the runas verb starts the
# program as it is: the old copy gives back every window and ends, the new
# one waits for it, takes the windows under its rules, and is the only copy
# afterwards. (Wine runs us as administrator already, so the main menu does
# not offer the item; its command is posted as the menu would send it.)
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

CAPTION="再起動ターゲット"
RESTART_COMMAND=32881

{
  ini_general
  ini_rule 0 "Caption=$CAPTION" "UserName=再起動"
} | write_ini

start_morimo
OLD_HWND=$MANAGER_HWND
start_target T --caption "$CAPTION"
probe tray --count 2 --timeout 10000 >/dev/null || e2e_fail "the target's icon did not come"
click_minimize "$CAPTION"
expect_window "the target hides when minimised" visible=0 5000 --caption "$CAPTION"

e2e_step "the restart"
post_to "$MANAGER_HWND" restart-command "post 0x111 $RESTART_COMMAND 0"
wait_for "the old copy ends" 20 morimo_gone
wait "$MORIMO_PID" 2>/dev/null
new_manager() {
  local line
  line=$(probe list --caption "$MANAGER_CAPTION" --class "#32770" | head -n1)
  [ -n "$line" ] && [ "$(probe_field "$line" hwnd)" != "$OLD_HWND" ]
}
wait_for "a new copy's manager window is there" 20 new_manager
MANAGER_HWND=$(hwnd_of "$MANAGER_CAPTION")
[ "$(probe list --caption "$MANAGER_CAPTION" --class "#32770" | wc -l)" = 1 ] ||
  e2e_fail "more than one copy runs"
e2e_pass "one copy afterwards"
expect_window "the target was given back, shown" visible=1,iconic=0 10000 --caption "$CAPTION"
probe tray --count 2 --timeout 10000 >/dev/null || e2e_fail "the new copy did not take the target"
e2e_pass "the new copy manages the target, with its icon"

e2e_step "the new copy's exit"
post_exit_command
box_gone=0
for _ in $(seq 1 100); do
  box=$(morimo_boxes | head -n1)
  [ -z "$box" ] || post_yes "$(probe_field "$box" hwnd)"
  if [ -z "$(probe list --caption "$MANAGER_CAPTION" --class "#32770")" ]; then box_gone=1; break; fi
  sleep 0.2
done
[ "$box_gone" = 1 ] || e2e_fail "the new copy did not exit"
e2e_pass "the new copy exits"
expect_window "nothing lost" visible=1 5000 --caption "$CAPTION"
e2e_done
