#!/usr/bin/env bash
# The Windows zip: builds it, checks what it holds and the exe's version resource, then starts
# trackview.exe from the unpacked folder under Wine: the start-up notice, then the window, then
# Esc ends it with exit code 0. zip_test.sh WORKDIR PREFIX BUILD_DIR NAME VERSION
set -uo pipefail
source "$(dirname "$0")/../../shell/tests/wine_lib.sh"
name=$4 version=$5
WineStart "$1" "$2"
cmake --build "$3" --target package_windows >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
Check "the zip holds the program, README.txt and LICENSE.txt" test \
    "$(unzip -Z1 "$3/$name.zip" | sort | xargs)" = \
    "$name/ $name/LICENSE.txt $name/README.txt $name/trackview.exe"
unzip -q "$3/$name.zip" -d "$work/unzipped"
cd "$work/unzipped/$name" || exit 1
Check "the version resource gives $version" grep -qx "$version" <<<"$(strings -el trackview.exe)"

WineRun ./trackview.exe
AnswerNotice || { Fail "the start-up notice appears"; Summary; }
MainWindow || { Fail "the window appears after the notice"; Summary; }
Key "$main" Escape
WaitExit "$pid" 20
Check "Esc ends it with exit code 0 (got $exitCode)" test "$exitCode" = 0
Summary
