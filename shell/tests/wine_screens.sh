#!/usr/bin/env bash
# End to end under Wine on unusual screens. 8 bits deep, Wine offers no OpenGL pixel format: the
# program reports "ChoosePixelFormat failed\n" and exits with code 1. Portrait, 600 x 1000: the
# window is still square at 80 % of the height, where the system would clamp it to the screen's
# width, and keeps that size.
# wine_screens.sh WORKDIR PREFIX TRACKVIEW_EXE PROBE_EXE
set -uo pipefail
source "$(dirname "$0")/wine_lib.sh"
exe=$3 probe=$4

WineStart "$1/palette" "$2" 1280x1024x8
WineRun "$exe"
AnswerNotice
CheckErrorExit "8-bit screen" 'ChoosePixelFormat failed\x0A' OpenGL
X11CleanUp

WineStart "$1/portrait" "$2" 600x1000x24
WineRun "$exe"
AnswerNotice
MainWindow
Check "portrait screen: the window is 800 x 800 at (50, 50)" eval '[[ $(ProbeWindow) == *"|50,50,800,800|"* ]]' 
Key "$main" Escape
WaitExit "$pid" 20
Check "portrait screen: Esc exits with code 0 (got $exitCode)" test "$exitCode" = 0
Summary
