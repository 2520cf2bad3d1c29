#!/usr/bin/env bash
# The about box as a user on a Japanese system meets it: opened from the
# manager's system menu, its version and copyright lines read from the
# version block the build wrote into morimo.exe (from res/version.h), a
# hand over its links, and a click on each link that asks the shell to open
# its address.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

ABOUT_CAPTION="Morimoのﾊﾞｰｼﾞｮﾝ情報"
PRODUCT=$(version_macro PRODUCT_NAME)
VERSION_LINE="$PRODUCT  Version $(version_macro VERSION_TEXT) build($(version_macro VERSION_BUILD))"
COPYRIGHT=$(version_macro COPYRIGHT)
MAKER_URL=$(version_macro MAKER_URL)
PRODUCT_URL=$(version_macro PRODUCT_URL)

e2e_step "the shell of this prefix records what it is asked to open"
record_shell_opens
e2e_pass "addresses and pages go to the recorder"

e2e_step "the manager from its tray icon"
start_morimo
click_tray_icon 0
expect_window "the manager window is shown" visible=1,fg=1 5000 --hwnd "$MANAGER_HWND"

e2e_step "the about box from the manager's system menu"
open_system_menu "$MANAGER_HWND"
e2e_log "screenshot: $(e2e_shot system-menu)"
# Ours is the last item. Wine's own "Wine について(&A)" above it has the
# same access key, so the item is chosen from the end of the menu.
xdotool key Up Return
expect_window "the about box opens in front" visible=1,fg=1 10000 --caption "$ABOUT_CAPTION"
ABOUT_HWND=$(hwnd_of "$ABOUT_CAPTION")
text_of() { probe_field "$(probe child --hwnd "$ABOUT_HWND" --id "$1")" text; }
[ "$(text_of 1027)" = "$VERSION_LINE" ] || e2e_fail "version line '$(text_of 1027)', not '$VERSION_LINE'"
e2e_pass "version line: $VERSION_LINE"
[ "$(text_of 1028)" = "$COPYRIGHT" ] || e2e_fail "copyright line '$(text_of 1028)', not '$COPYRIGHT'"
e2e_pass "copyright line: $COPYRIGHT"
[ "$(text_of 1025)" = "$MAKER_URL" ] && [ "$(text_of 1026)" = "$PRODUCT_URL" ] ||
  e2e_fail "links '$(text_of 1025)' and '$(text_of 1026)'"
e2e_pass "the links show our two addresses"

e2e_step "the pointer over a link is a hand"
center_of() { probe_field "$(probe child --hwnd "$ABOUT_HWND" --id "$1")" center; }
pos=$(center_of 1027)
xdotool mousemove "${pos%,*}" "${pos#*,}"
wait_for "over the version line the pointer is the arrow" 5 eval '[ "$(pointer_shape)" = left_ptr ]'
pos=$(center_of 1025)
xdotool mousemove "${pos%,*}" "${pos#*,}"
wait_for "over the maker's link it is the hand" 5 eval '[ "$(pointer_shape)" = hand2 ]'
e2e_log "screenshot: $(e2e_shot_window "$ABOUT_HWND" about)"

e2e_step "a click on each link asks the shell to open its address"
click_control --hwnd "$ABOUT_HWND" --id 1025
wait_for "the maker's page is opened" 15 shell_opened "$MAKER_URL"
click_control --hwnd "$ABOUT_HWND" --id 1026
wait_for "the product's page is opened" 15 shell_opened "$PRODUCT_URL"
[ "$(wc -l <"$SHELL_LOG")" = 2 ] || e2e_fail "the shell was asked for more: $(cat "$SHELL_LOG")"
e2e_pass "nothing else was opened"

e2e_step "OK closes the about box"
click_control --hwnd "$ABOUT_HWND" --id 1
expect_window "the about box is gone" count=0 5000 --caption "$ABOUT_CAPTION"
expect_window "the manager stays" visible=1 2000 --hwnd "$MANAGER_HWND"

e2e_done
