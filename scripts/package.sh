#!/usr/bin/env bash
# package.sh: builds the release of morimo.exe and writes the archive a
# Windows user downloads, dist/MoriMo-<version>.zip, which unpacks to
#
#   MoriMo/morimo.exe
#   MoriMo/Document/Readme.html   the help page; the help button opens it
#                                 from beside the program
#   MoriMo/ReadMe-ja.txt          installing, where the settings live and
#   MoriMo/ReadMe-en.txt          uninstalling, in Japanese and English
#
#   bash scripts/package.sh                          set up, build, package
#   bash scripts/package.sh --exe FILE [--dist DIR]  package a morimo.exe
#                                                    built already (tests)
#
# The version is res/version.h's. The release is built in a folder of its
# own, build/release, without the tests. The archive is written by CMake's
# own zip writer; the read-me files get CRLF line ends and a byte-order
# mark, so that Notepad reads them right on any Windows.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

exe=
dist=$root/dist
while [ $# -gt 0 ]; do
  case $1 in
    --exe) exe=${2:?}; shift 2 ;;
    --dist) dist=${2:?}; shift 2 ;;
    *) fail "unknown option $1 (--exe FILE, --dist DIR)" ;;
  esac
done

version=$(sed -n 's/^#define MORIMO_VERSION_TEXT "\(.*\)"$/\1/p' res/version.h)
[ -n "$version" ] || fail "no MORIMO_VERSION_TEXT in res/version.h"

if [ -z "$exe" ]; then
  bash scripts/setup.sh || fail "setting up failed"
  cmake --preset win64 -B build/release -DBUILD_TESTING=OFF || fail "configuring failed"
  cmake --build build/release --target morimo -j2 || fail "building failed"
  exe=build/release/app/morimo.exe
fi
[ -f "$exe" ] || fail "no $exe"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/MoriMo/Document"
# Debugging symbols are of no use to a user and triple the download.
x86_64-w64-mingw32-strip -o "$stage/MoriMo/morimo.exe" "$exe" || fail "strip failed"
cp res/Document/Readme.html "$stage/MoriMo/Document/Readme.html"
for text in ReadMe-ja.txt ReadMe-en.txt; do
  { printf '\xEF\xBB\xBF'; sed 's/$/\r/' "res/release/$text"; } >"$stage/MoriMo/$text"
done

mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
zip=$dist/MoriMo-$version.zip
rm -f "$zip"
# The files carry the time of the last commit, so that two packages of one
# commit are the same.
mtime=$(git log -1 --format=%cI 2>/dev/null || date -u +%Y-%m-%dT%H:%M:%SZ)
(cd "$stage" && find MoriMo -exec touch -d "$mtime" {} + &&
  cmake -E tar cf "$zip" --format=zip MoriMo) || fail "writing $zip failed"
echo "package.sh: wrote $zip"
