#!/usr/bin/env bash
# The downloadable release as a user meets it: the archive scripts/package.sh
# writes, unpacked on drive C:, holds what the help button expects beside
# morimo.exe; the unpacked program starts, and its help button asks the shell
# to open the page that came with it.
set -u
source "$(dirname "$0")/e2e_lib.sh"
e2e_init "$@"

e2e_step "the release archive of this build"
bash "$E2E_REPO/scripts/package.sh" --exe "$E2E_MORIMO" --dist "$E2E_WORK/dist" \
  >"$E2E_WORK/package.log" 2>&1 || e2e_fail "package.sh failed: $(tail -n 3 "$E2E_WORK/package.log")"
ZIP=$E2E_WORK/dist/MoriMo-$(version_macro VERSION_TEXT).zip
[ -f "$ZIP" ] || e2e_fail "no $ZIP"
e2e_pass "package.sh wrote $(basename "$ZIP")"
cmake -E tar tf "$ZIP" | sort >"$E2E_WORK/zip.list"
sort >"$E2E_WORK/zip.expected" <<'LIST'
MoriMo/
MoriMo/Document/
MoriMo/Document/Readme.html
MoriMo/ReadMe-en.txt
MoriMo/ReadMe-ja.txt
MoriMo/morimo.exe
LIST
diff "$E2E_WORK/zip.expected" "$E2E_WORK/zip.list" >"$E2E_WORK/zip.diff" ||
  e2e_fail "the archive holds other files (< expected, > found): $(cat "$E2E_WORK/zip.diff")"
e2e_pass "the program, its help page beside it and the two read-me files"

e2e_step "unpacked into C:\\Tools"
mkdir -p "$WINEPREFIX/drive_c/Tools"
(cd "$WINEPREFIX/drive_c/Tools" && cmake -E tar xf "$ZIP") || e2e_fail "unpacking failed"
e2e_pass "unpacked"
record_shell_opens

e2e_step "the unpacked morimo.exe starts"
E2E_MORIMO='C:\Tools\MoriMo\morimo.exe'
start_morimo
click_tray_icon 0
expect_window "its manager window is shown" visible=1,fg=1 5000 --hwnd "$MANAGER_HWND"

e2e_step "its help button opens the page that came with it"
click_control --hwnd "$MANAGER_HWND" --id 1024
wait_for "the shell is asked to open C:\\Tools\\MoriMo\\Document\\Readme.html" 15 \
  shell_opened 'C:\Tools\MoriMo\Document\Readme.html'

e2e_done
