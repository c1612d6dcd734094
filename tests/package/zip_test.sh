#!/usr/bin/env bash
# The Windows zip: builds it, checks what it holds and the exe's version resource, then starts
# trackview.exe from the unpacked folder under Wine: the start-up notice, then the window, then
# Esc ends it with exit code 0. zip_test.sh WORKDIR PREFIX BUILD_DIR NAME VERSION
set -euo pipefail
source "$(dirname "$0")/../../shell/tests/wine_lib.sh"
name=$4 version=$5
rm -rf "$1"
mkdir -p "$1"
cmake --build "$3" --target package_windows >"$1/build.log" 2>&1 || { cat "$1/build.log"; exit 1; }
WineStart "$1" "$2"
Check "the zip holds the program, README.txt and LICENSE.txt" test \
    "$(unzip -Z1 "$3/$name.zip" | sort | xargs)" = \
    "$name/ $name/LICENSE.txt $name/README.txt $name/trackview.exe"
unzip -q "$3/$name.zip" -d "$work/unzipped"
cd "$work/unzipped/$name"
Check "the version resource gives $version" grep -qx "$version" <<<"$(strings -el trackview.exe)"

wine ./trackview.exe >"$work/trackview.log" 2>&1 &
pid=$!
programPids+=("$pid")
notice=$(WaitWindow "$pid" '^soft by Quellmar - ')
[[ -n "$notice" ]] || { Fail "the start-up notice appears"; Summary; }
PressKey "$notice" Return
main=$(WaitWindow "$pid" '^ soft by Quellmar - press .*p.* key $')
[[ -n "$main" ]] || { Fail "the window appears after the notice"; Summary; }
PressKey "$main" Escape
WaitExit "$pid" 20
Check "Esc ends it with exit code 0 (got $exitCode)" test "$exitCode" = 0
Summary
