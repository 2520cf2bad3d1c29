# shellcheck shell=bash
# A Wine environment for running our Windows programs: a virtual X screen (or
# the current one), a Wine prefix inside the build folder, Japanese locale.
#
#   source scripts/wine-env.sh
#   wine_env_start build/win64      # exports DISPLAY, WINEPREFIX, LANG, ...
#   wine build/win64/foo.exe        # or: ctest --test-dir build/win64
#   wine_env_stop
#
# In another shell, `source build/win64/wine-env.txt` brings the environment
# back, and `wine_env_stop build/win64` ends it.
#
# Knobs (environment):
#   MORIMO_USE_DISPLAY=1      use the current $DISPLAY instead of a new Xvfb
#   MORIMO_XVFB_DISPLAY=:93   use this display number (reuse it if it answers)
#                             instead of the first free one in :90..:130
#   MORIMO_WINE_LANG=...      locale for Wine (default ja_JP.UTF-8: code page 932)
#   MORIMO_WINEDEBUG=...      WINEDEBUG for Wine (default -all)
#   MORIMO_WINE_DPI=144       the screen's dots per inch (default 96); a new
#                             Xvfb grows with it (1280x1024 at 96), as a
#                             real high-DPI screen has more pixels, so the
#                             dialogs leave as much of it free as at 96
#   MORIMO_WINE_TEMPLATE=DIR  a new prefix is a copy of a ready one kept in
#                             DIR (made there the first time)
#
# wine_env_start also writes <build-dir>/wine-env.txt so that
# scripts/wine-run.sh (CTest's emulator) finds the same environment.
# Everything here is meant to be sourced: functions return, never exit.

_morimo_wine_log() { echo "wine-env: $*" >&2; }

# Polls until the X server on display $1 answers, or $2 seconds pass, or the
# process $3 (when given) dies.
_morimo_wait_display() {
  local display=$1 seconds=$2 pid=${3:-}
  local deadline=$((SECONDS + seconds))
  while ((SECONDS <= deadline)); do
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
      return 1
    fi
    if xdpyinfo -display "$display" >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Starts Xvfb on a free display; sets DISPLAY and MORIMO_XVFB_PID.
_morimo_start_xvfb() {
  local log=$1 first=90 last=130 n pid dpi=${MORIMO_WINE_DPI:-96}
  local screen="$((1280 * dpi / 96))x$((1024 * dpi / 96))x24"
  if [ -n "${MORIMO_XVFB_DISPLAY:-}" ]; then
    first=${MORIMO_XVFB_DISPLAY#:}
    last=$first
    # A pinned display that already answers is one of ours from before.
    if xdpyinfo -display ":$first" >/dev/null 2>&1; then
      export DISPLAY=":$first"
      MORIMO_XVFB_PID=
      _morimo_wine_log "reusing the X server already on :$first"
      return 0
    fi
  fi
  for ((n = first; n <= last; n++)); do
    # A lock whose server has died is stale; Xvfb clears it itself.
    local lock="/tmp/.X$n-lock" holder=
    if [ -e "$lock" ]; then
      holder=$(tr -dc '0-9' <"$lock" 2>/dev/null)
      if [ -z "$holder" ] || [ -d "/proc/$holder" ]; then
        continue
      fi
    fi
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >>"$log" 2>&1 &
    pid=$!
    # Two runs starting at once may both try this number: the display then
    # answers for the winner while the loser's server is still on its way
    # out. Ours is the one whose pid the lock file holds.
    if _morimo_wait_display ":$n" 20 "$pid" &&
      [ "$(tr -dc '0-9' <"$lock" 2>/dev/null | sed 's/^0*//')" = "$pid" ]; then
      export DISPLAY=":$n"
      MORIMO_XVFB_PID=$pid
      return 0
    fi
    # Lost a race for this number, or the server would not come up.
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  _morimo_wine_log "no free X display in :$first..:$last (see $log)"
  return 1
}

# Settings of the test prefix, applied once per content (marker file).
_morimo_wine_registry() {
  cat <<'EOF'
Windows Registry Editor Version 5.00

; Japanese UI fonts are not installed under Wine; IPA fonts stand in for them.
[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAGothic"
"MS Shell Dlg"="IPAGothic"
"MS Shell Dlg 2"="IPAGothic"
"MS Gothic"="IPAGothic"
"MS PGothic"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"

; Unmanaged X windows: hiding a window then takes milliseconds instead of
; the two seconds Wine waits for a window manager that is not there.
[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
EOF
  if [ -n "${MORIMO_WINE_DPI:-}" ]; then
    printf '\n; Screen resolution (MORIMO_WINE_DPI).\n'
    printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' "$MORIMO_WINE_DPI"
  fi
}

# Fills an empty $WINEPREFIX with a copy of a ready prefix kept in
# $MORIMO_WINE_TEMPLATE, one per locale, registry content and Wine version,
# made the first time it is asked for. A copy takes a second or two where
# wineboot takes twenty. Two callers at once wait for one another (the lock) instead of
# both making it.
_morimo_copy_template() {
  local log=$1 dir=$MORIMO_WINE_TEMPLATE reg_sum
  # Keyed on Wine's version too: another Wine would update a copy's system
  # files in place, and through the links the template's.
  reg_sum=$({ _morimo_wine_registry; wine --version 2>/dev/null; } | cksum | cut -d' ' -f1)
  local template="$dir/${LANG//[^A-Za-z0-9_.-]/_}-$reg_sum"
  mkdir -p "$dir" || return 1
  (
    flock 9 || exit 1
    if [ ! -f "$template/.morimo-ready" ]; then
      _morimo_wine_log "making the prefix template $template (once)"
      rm -rf "$template"
      WINEPREFIX=$template MORIMO_WINE_TEMPLATE= _morimo_prepare_prefix "$log" || exit 1
      # Nothing of the template's may still run while it is copied.
      WINEPREFIX=$template wineserver -k >/dev/null 2>&1
      WINEPREFIX=$template timeout 120 wineserver -w >>"$log" 2>&1
      touch "$template/.morimo-ready"
    fi
  ) 9>"$dir/.lock" || return 1
  rm -rf "$WINEPREFIX"
  _morimo_link_copy "$template" "$WINEPREFIX" && rm -f "$WINEPREFIX/.morimo-ready"
}

# A prefix is some 700 MB, nine tenths of it the DLLs and programs in
# system32 and syswow64, which nothing writes once the prefix is made: a
# copy links those to the template's files and copies the rest (registry,
# user folders), so a run with a dozen prefixes needs little more disk than
# one. Where links cannot be made (another file system) it copies them.
_morimo_link_copy() {
  local from=$1 to=$2 rel=${3:-} e r
  mkdir -p "$to/$rel" || return 1
  for e in "$from/$rel"/* "$from/$rel"/.[!.]*; do
    [ -e "$e" ] || [ -L "$e" ] || continue
    r=${rel:+$rel/}${e##*/}
    case $r in
      drive_c|drive_c/windows) _morimo_link_copy "$from" "$to" "$r" || return 1 ;;
      drive_c/windows/system32|drive_c/windows/syswow64)
        cp -al "$e" "$to/$rel/" 2>/dev/null ||
          { rm -rf "${to:?}/$r" && cp -a "$e" "$to/$rel/"; } || return 1 ;;
      *) cp -a "$e" "$to/$rel/" || return 1 ;;
    esac
  done
}

_morimo_prepare_prefix() {
  local log=$1
  if [ -n "${MORIMO_WINE_TEMPLATE:-}" ] && [ ! -e "$WINEPREFIX" ]; then
    _morimo_copy_template "$log" || { _morimo_wine_log "no prefix template (see $log)"; return 1; }
  fi
  if [ ! -f "$WINEPREFIX/.morimo-prefix" ]; then
    _morimo_wine_log "creating the Wine prefix $WINEPREFIX (once; takes a while)"
    mkdir -p "$WINEPREFIX"
    if ! timeout 600 wineboot -i >>"$log" 2>&1; then
      _morimo_wine_log "wineboot failed (see $log)"
      return 1
    fi
    # Let the server save the new registry before anything else runs.
    timeout 120 wineserver -w >>"$log" 2>&1
    touch "$WINEPREFIX/.morimo-prefix"
  fi

  local reg_text sum marker="$WINEPREFIX/.morimo-registry"
  reg_text=$(_morimo_wine_registry)
  sum=$(printf '%s\n' "$reg_text" | cksum | cut -d' ' -f1)
  if [ "$(cat "$marker" 2>/dev/null)" != "$sum" ]; then
    # regedit reads UTF-16 with a byte order mark whatever the code page.
    local reg="$WINEPREFIX/drive_c/morimo-settings.reg"
    { printf '\xff\xfe'; printf '%s\n' "$reg_text" | sed 's/$/\r/' |
        iconv -f UTF-8 -t UTF-16LE; } >"$reg"
    if ! timeout 120 wine regedit /S 'C:\morimo-settings.reg' >>"$log" 2>&1; then
      _morimo_wine_log "regedit failed (see $log)"
      return 1
    fi
    timeout 120 wineserver -w >>"$log" 2>&1
    echo "$sum" >"$marker"
  fi
}

# wine_env_start <build-dir>
wine_env_start() {
  local build_dir=${1:-}
  if [ -z "$build_dir" ]; then
    _morimo_wine_log "usage: wine_env_start <build-dir>"
    return 2
  fi
  mkdir -p "$build_dir" || return 1
  build_dir=$(cd "$build_dir" && pwd) || return 1
  if [ -n "${MORIMO_WINE_BUILD_DIR:-}" ]; then
    if [ "$MORIMO_WINE_BUILD_DIR" = "$build_dir" ] && [ -f "$build_dir/wine-env.txt" ]; then
      _morimo_wine_log "already started for $build_dir"
      return 0
    fi
    _morimo_wine_teardown
  fi
  local log="$build_dir/wine-env.log"
  : >"$log"

  local lang=${MORIMO_WINE_LANG:-ja_JP.UTF-8}
  local want
  want=$(echo "$lang" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
  if [ "$lang" != C ] && [ "$lang" != POSIX ] &&
     ! locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$want"; then
    _morimo_wine_log "locale $lang is not generated; Wine falls back to English" \
      "(run scripts/setup.sh as root)"
  fi

  # wine_env_stop puts these back as they were.
  local var
  _MORIMO_SAVED_ENV=
  for var in DISPLAY LANG LC_ALL; do
    if [ -n "${!var+set}" ]; then
      _MORIMO_SAVED_ENV+=$(printf 'export %s=%q; ' "$var" "${!var}")
    fi
  done
  MORIMO_XVFB_PID=
  if [ -n "${MORIMO_USE_DISPLAY:-}" ]; then
    if [ -z "${DISPLAY:-}" ] || ! _morimo_wait_display "$DISPLAY" 5; then
      _morimo_wine_log "MORIMO_USE_DISPLAY is set but DISPLAY='${DISPLAY:-}' does not answer"
      return 1
    fi
  else
    _morimo_start_xvfb "$log" || return 1
  fi

  export WINEPREFIX="$build_dir/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=${MORIMO_WINEDEBUG:--all}
  # No Mono/Gecko download prompts; no menu entries in the user's desktop.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export LANG=$lang LC_ALL=$lang
  MORIMO_WINE_BUILD_DIR=$build_dir

  if ! _morimo_prepare_prefix "$log"; then
    _morimo_wine_teardown
    return 1
  fi
  # A server that stays up spares every test program its start-up. (If one
  # already runs for this prefix, that one serves.)
  wineserver -p >>"$log" 2>&1
  # Start Wine's services and the desktop process now, with their output in
  # the log. Otherwise the first program run starts them, they inherit its
  # output pipe and keep it open, and whoever reads that pipe (CTest) waits
  # as long as they live. The desktop kept alive also spares every GUI test
  # program about a second of start-up.
  wine explorer.exe /desktop </dev/null >>"$log" 2>&1 &
  disown  # wine_env_stop ends it with the prefix; no job notices meanwhile
  # rundll32 makes a hidden window first, so it returns once the desktop is up.
  if ! timeout 120 wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >>"$log" 2>&1; then
    _morimo_wine_log "Wine does not start programs (see $log)"
    _morimo_wine_teardown
    return 1
  fi

  {
    echo "# written by wine_env_start; removed by wine_env_stop"
    for var in DISPLAY WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES LANG LC_ALL; do
      printf 'export %s=%q\n' "$var" "${!var}"
    done
    printf 'MORIMO_XVFB_PID=%q\n' "$MORIMO_XVFB_PID"
    printf 'MORIMO_WINE_BUILD_DIR=%q\n' "$build_dir"
  } >"$build_dir/wine-env.txt"
  _morimo_wine_log "ready: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX LANG=$LANG"
}

# wine_env_stop [build-dir]: ends the prefix's Wine processes and the Xvfb
# wine_env_start started. With a build folder it works from another shell
# too (it reads that folder's wine-env.txt).
wine_env_stop() {
  if [ -n "${1:-}" ]; then
    if [ ! -f "$1/wine-env.txt" ]; then
      _morimo_wine_log "no Wine environment recorded in $1"
      return 1
    fi
    # shellcheck disable=SC1091
    source "$1/wine-env.txt"
    MORIMO_WINE_BUILD_DIR=$(cd "$1" && pwd)
  fi
  _morimo_wine_teardown
}

_morimo_is_xvfb() {
  local cmd
  cmd=$({ tr '\0' ' ' <"/proc/$1/cmdline"; } 2>/dev/null) || return 1
  [[ $cmd == Xvfb* || $cmd == */Xvfb* ]]
}

_morimo_wine_teardown() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1
    timeout 30 wineserver -w >/dev/null 2>&1
  fi
  # The pid may come from a file written long ago: end it only while it is
  # still an X server.
  if [ -n "${MORIMO_XVFB_PID:-}" ] && _morimo_is_xvfb "$MORIMO_XVFB_PID"; then
    kill "$MORIMO_XVFB_PID" 2>/dev/null
    local deadline=$((SECONDS + 10))
    while _morimo_is_xvfb "$MORIMO_XVFB_PID" && ((SECONDS <= deadline)); do
      sleep 0.1
    done
    if _morimo_is_xvfb "$MORIMO_XVFB_PID"; then
      kill -9 "$MORIMO_XVFB_PID" 2>/dev/null
    fi
    wait "$MORIMO_XVFB_PID" 2>/dev/null
  fi
  MORIMO_XVFB_PID=
  if [ -n "${MORIMO_WINE_BUILD_DIR:-}" ]; then
    rm -f "$MORIMO_WINE_BUILD_DIR/wine-env.txt"
  fi
  MORIMO_WINE_BUILD_DIR=
  unset WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES DISPLAY LANG LC_ALL
  if [ -n "${_MORIMO_SAVED_ENV:-}" ]; then
    eval "$_MORIMO_SAVED_ENV"
  fi
  _MORIMO_SAVED_ENV=
  return 0
}

# wine_env_stop_with PID [PATH...]: ends this environment (its Wine
# processes, the Xvfb it started) and removes the paths once process PID
# has ended, however it ends: a signal the script cannot trap (kill -9) or
# one that stops it before its trap runs included. The watcher runs in a
# session of its own, with no terminal and no pipe of the caller's.
wine_env_stop_with() {
  local owner=$1
  shift
  setsid bash -c '
    owner=$1 prefix=$2 xvfb=$3
    shift 3
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    if [ -n "$prefix" ] && [ -d "$prefix" ]; then
      WINEPREFIX=$prefix wineserver -k
      WINEPREFIX=$prefix timeout 30 wineserver -w
    fi
    if [ -n "$xvfb" ] && tr "\0" " " <"/proc/$xvfb/cmdline" 2>/dev/null | grep -q "Xvfb"; then
      kill "$xvfb"
    fi
    [ $# -eq 0 ] || rm -rf -- "$@"
  ' _ "$owner" "${WINEPREFIX:-}" "${MORIMO_XVFB_PID:-}" "$@" </dev/null >/dev/null 2>&1 &
}
