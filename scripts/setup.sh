#!/usr/bin/env bash
# Installs what building and testing MoriMo needs on Debian 12, and generates
# the locales the Wine runs use. Safe to run again: it installs only what is
# missing and touches the package lists only then. Needs root (or password-less
# sudo) only when something is missing.
set -euo pipefail

packages=(
  # native build, tests and benchmarks
  cmake make g++ libgtest-dev googletest libbenchmark-dev python3
  # Windows cross build (the -posix flavour has std::thread; windres comes
  # with binutils-mingw-w64-x86-64)
  g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
  # running and driving the Windows programs
  wine wine64 xvfb x11-utils xdotool imagemagick fonts-ipafont-gothic
  locales
  # X extensions Wine's display driver uses when present (font rendering,
  # screen layout); only recommended by Wine, so named here
  libxrender1 libxrandr2 libxinerama1 libxi6 libxcursor1 libxcomposite1
  libxfixes3 libxxf86vm1
)
locales_wanted=(ja_JP.UTF-8 en_US.UTF-8 hi_IN.UTF-8)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo -n "$@"
  else
    echo "setup.sh: root is needed for: $*" >&2
    return 1
  fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup.sh: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends "${missing[@]}"
fi

# locale -a spells them ja_JP.utf8; /etc/locale.gen spells them ja_JP.UTF-8.
have_locale() {
  local want
  want=$(echo "$1" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
  locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | grep -qx "$want"
}

regenerate=0
for l in "${locales_wanted[@]}"; do
  if have_locale "$l"; then
    continue
  fi
  regenerate=1
  line="$l UTF-8"
  if grep -q "^# *$line\$" /etc/locale.gen; then
    as_root sed -i "s/^# *$line\$/$line/" /etc/locale.gen
  elif ! grep -q "^$line\$" /etc/locale.gen; then
    echo "$line" | as_root tee -a /etc/locale.gen >/dev/null
  fi
done
if [ "$regenerate" -eq 1 ]; then
  as_root locale-gen
fi

echo "setup.sh: all set"
