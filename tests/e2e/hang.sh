#!/usr/bin/env bash
# A managed application that stops pumping messages must not freeze the
# manager: while it hangs, the manager window answers a message sent with a
# one-second time-out, and other managed windows still hide and show.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

HUNG="E2E Hang"
OTHER="E2E Other"

write_ini <<'EOF'
[General]
DisplayWidthStartup=1
ShowTopMost=0
RealyHideOnHidden=0
TimerPeriod=500
ShowOnlyHidden=0
TraySpec_Count=1
[TraySpec_0000]
UseCaption=1
UseClassname=0
HideIfIconized=1
UseTrayIcon=1
ShowIconOnlyHidden=0
ShowTopMost=0
CaptionMatchType=1
Caption=E2E 
ClassName=
UserName=hang test
AlphaPercent=100
AlphaPercentBG=100
HideOnStartup=0
CloseOnStartup=0
TitleStyle=0
DisableTitleStyleChanging=0
EOF

recovery_is() { [ -f "$E2E_HWNDS" ] && [ "$(recovery_handles | tr '\n' ' ')" = "$* " ]; }

# One message to the manager window with a 1 s time-out; a miss if unanswered.
manager_answers() {
  local out
  if out=$(probe send --hwnd "$MANAGER_HWND" --timeout 1000); then
    e2e_pass "the manager answers within 1 s ($1): $out"
  else
    e2e_miss "the manager does not answer within 1 s ($1): $out"
  fi
}

# The other window hides when minimised and comes back from its tray icon.
other_window_hides_and_shows() {
  click_minimize "$OTHER"
  soft_expect "the other window hides when minimised ($1)" visible=0 5000 --caption "$OTHER"
  click_tray_icon 2
  soft_expect "the other window comes back from its icon ($1)" visible=1,iconic=0 5000 \
    --caption "$OTHER"
}

# Lets the hung program go and waits until the manager answers again, so a
# freeze found by one step does not hide what the next one would show.
release_hang() {
  target_cmd H unhang
  wait_for "the hung program runs again" 10 target_logged H "hang end"
  local deadline=$((SECONDS + 20))
  until probe send --hwnd "$MANAGER_HWND" --timeout 1000 >/dev/null; do
    ((SECONDS < deadline)) || e2e_fail "the manager stays frozen after the hang ended"
  done
  : >"$E2E_WORK/H.log"
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

e2e_step "morimo.exe manages two windows of two programs"
start_morimo
start_target H --caption "$HUNG" --pos 300,100
HWND_H=$(hwnd_of "$HUNG")
wait_for "the first window is adopted" 10 recovery_is "$MANAGER_HWND" "$HWND_H"
start_target B --caption "$OTHER" --pos 300,480
HWND_B=$(hwnd_of "$OTHER")
wait_for "the second window is adopted" 10 recovery_is "$MANAGER_HWND" "$HWND_H" "$HWND_B"
tray=$(probe tray --count 3 --timeout 5000) || e2e_fail "want 3 tray icons: $tray"
e2e_pass "three tray icons: manager, hung-to-be, other"

e2e_step "a shown window's program hangs"
target_cmd H hang
wait_for "the program has stopped pumping messages" 10 target_logged H "hang begin"
if probe send --hwnd "$HWND_H" --timeout 1000 >/dev/null; then
  e2e_fail "the hung window still answers: the hang mode does not work"
fi
e2e_pass "the hung window does not answer"
manager_answers "shown window hung"
other_window_hides_and_shows "shown window hung"
# Past Wine's 5 s mark a window counts as hung for SMTO_ABORTIFHUNG.
until_t=$((SECONDS + 6))
while ((SECONDS < until_t)); do manager_answers "shown window hung"; done
release_hang

e2e_step "a left click on the icon of a hung window"
target_cmd H hang
wait_for "the program has stopped pumping messages" 10 target_logged H "hang begin"
click_tray_icon 1
manager_answers "after a click on the hung window's icon"
# A manager stuck in a call to the hung window still answers sent messages
# (they are dispatched while it waits); its queue and timer show the truth.
other_window_hides_and_shows "after a click on the hung window's icon"
release_hang

e2e_step "a program minimises its window and hangs at once"
target_cmd H minimize-hang
wait_for "the program has stopped pumping messages" 10 target_logged H "hang begin"
expect_window "the hung window is minimised and still visible" iconic=1 3000 --caption "$HUNG"
until_t=$((SECONDS + 8))
while ((SECONDS < until_t)); do manager_answers "minimised window hung"; done
other_window_hides_and_shows "minimised window hung"

e2e_step "the program recovers"
target_cmd H unhang
wait_for "the hung program runs again" 10 target_logged H "hang end"
soft_expect "its minimised window is hidden once it answers" visible=0 10000 --caption "$HUNG"
manager_answers "after the hang"
morimo_running || e2e_fail "morimo.exe has ended"
e2e_pass "morimo.exe still runs"

e2e_done
