#!/usr/bin/env bash
# Creates a fresh Wine prefix for the end-to-end tests: wine_prefix.sh WORKDIR PREFIX
set -uo pipefail
source "$(dirname "$0")/wine_lib.sh"
rm -rf "$2"
WineStart "$1" "$2"
wineboot -i >/dev/null 2>&1
# Without a window manager, Wine must not wait for one on every window shown or hidden.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
Check "a fresh Wine prefix" test -f "$2/system.reg"
Summary
