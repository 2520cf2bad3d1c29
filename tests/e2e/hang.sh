#!/usr/bin/env bash
# A managed application that stops pumping messages must not freeze the
# manager: while it hangs, the manager window answers every message sent
# with a one-second time-out (a watcher sends one every 50 ms), and other
# managed windows still hide and show; once it answers again, its window is
# where the manager put it. Hangs last --hang-seconds (default 6, past
# Wine's 5 s mark); the run ends with the worst answer time seen.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init_hang "$@"

# The tray menu of a managed window, as res/morimo.rc lays it out (see menus.sh).
TRAY_LAYOUT="1 4 1 3 4 1 1"

HUNG="E2E Hang"
OTHER="E2E Other"

{
  ini_general
  ini_rule 0 "Caption=E2E " "UserName=hang test"
} | write_ini

# Lets the hung program go and waits until the manager answers again, so a
# freeze found by one step does not hide what the next one would show.
release_hang() {
  unhang_target H "$1"
  local deadline=$((SECONDS + 20))
  until probe send --hwnd "$MANAGER_HWND" --timeout 1000 >/dev/null; do
    ((SECONDS < deadline)) || e2e_fail "the manager stays frozen after the hang ended"
  done
  # Clicks that a frozen manager takes late may hide or minimise the other
  # window again; the next step starts from it shown, twice in a row.
  local shown=0
  deadline=$((SECONDS + 20))
  while ((shown < 2)); do
    ((SECONDS < deadline)) || e2e_fail "the other window does not stay shown after the hang"
    if probe wait --caption "$OTHER" --until visible=1,iconic=0 --timeout 1000 >/dev/null; then
      shown=$((shown + 1))
    else
      shown=0
      target_cmd B "restore 1"
    fi
  done
}

start_hung_and_other 300,480

e2e_step "a shown window's program hangs"
hang_target H
if probe send --hwnd "$HWND_H" --timeout 1000 >/dev/null; then
  e2e_fail "the hung window still answers: the hang mode does not work"
fi
e2e_pass "the hung window does not answer"
manager_answers "shown window hung"
other_window_hides_and_shows "shown window hung"
hang_hold "shown window hung"
release_hang "shown window hung"
soft_expect "the window that was shown is shown once it answers" visible=1,iconic=0 5000 \
  --hwnd "$HWND_H"

e2e_step "a left click on the icon of a hung window"
hang_target H
click_tray_icon 1
manager_answers "after a click on the hung window's icon"
# A manager stuck in a call to the hung window still answers sent messages
# (they are dispatched while it waits); its queue and timer show the truth.
other_window_hides_and_shows "after a click on the hung window's icon"
hang_hold "after a click on the hung window's icon"
release_hang "a click on the hung window's icon"
# The other window was the active one: the click asked for the hung one
# to be shown in front.
soft_expect "the clicked window is shown once it answers" visible=1,iconic=0 5000 --hwnd "$HWND_H"

e2e_step "a right click on the icon of a hung window"
hang_target H
open_icon_menu 1 "$TRAY_LAYOUT" "the hung window's menu"
e2e_pass "a right click on the hung window's icon opens its menu"
manager_answers "the hung window's menu open"
# A click on the other window dismisses the menu without choosing anything.
line=$(probe list --hwnd "$HWND_B")
IFS=, read -r l t r b <<<"$(probe_field "$line" rect)"
click_at "$(((l + r) / 2))" "$(((t + b) / 2))"
poll_for 10 no_menu_open || e2e_fail "the menu stays open after a click elsewhere"
e2e_pass "a click elsewhere closes the menu"
other_window_hides_and_shows "after the hung window's menu"
hang_hold "after the hung window's menu"
release_hang "the hung window's menu"
soft_expect "the window is still shown once it answers" visible=1,iconic=0 5000 --hwnd "$HWND_H"

e2e_step "a program minimises its window and hangs at once"
hang_target H minimize-hang
expect_window "the hung window is minimised and still visible" iconic=1 3000 --caption "$HUNG"
other_window_hides_and_shows "minimised window hung"
hang_hold "minimised window hung"

e2e_step "the program recovers"
unhang_target H "minimised window hung"
soft_expect "its minimised window is hidden once it answers" visible=0 10000 --caption "$HUNG"
manager_answers "after the hang"
morimo_running || e2e_fail "morimo.exe has ended"
e2e_pass "morimo.exe still runs"
print_worst_answer

e2e_done
