#!/usr/bin/env bash
# End to end under Wine on an 8-bit palette screen, where Wine offers no OpenGL pixel format:
# the real program reports "ChoosePixelFormat failed\n" and exits with code 1.
# wine_palette_screen.sh WORKDIR PREFIX TRACKVIEW_EXE PROBE_EXE
set -euo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2" 8
exe=$3 probe=$4

wine "$exe" >"$work/trackview.log" 2>&1 &
programPids+=("$!")
CheckErrorExit "8-bit screen" "$!" 'ChoosePixelFormat failed\x0A' OpenGL yes
Summary
