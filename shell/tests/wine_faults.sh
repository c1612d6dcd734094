#!/usr/bin/env bash
# End to end under Wine with the fault-injecting build of the shell: each failure shows its
# "Error" box and ends with exit code 1, and a format that needs a palette gets the ramp.
# wine_faults.sh WORKDIR PREFIX FAULTS_EXE PROBE_EXE
set -uo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2"
faults=$3 probe=$4

# A second, different pixel format on the window: the shell's SetPixelFormat fails for real.
for fault in "pixelformat|SetPixelFormat failed|OpenGL" "context|wglCreateContext failed|OpenGL" \
    "current|wglMakeCurrent failed|OpenGL" "window|CreateWindow failed|-"; do
    IFS='|' read -r name text owner <<<"$fault"
    WineRun "$faults" "$name"
    AnswerNotice
    CheckErrorExit "$name" "$text" "$owner"
done
WineRun "$faults" class
CheckErrorExit class "RegisterClass failed" -
WineRun "$faults" message
AnswerNotice
MainWindow && xdotool mousemove --window "$main" 100 100
CheckErrorExit "GetMessage" "GetMessage failed" - shown

WineRun "$faults" palette
AnswerNotice
if MainWindow; then
    Check "palette: 256 entries of the 3-3-2 ramp" test "$(tr -d '\r' <"$work/trackview-faults.exe-palette.log")" = \
        "palette version 0x300, 256 entries: 0=0,0,0,0 1=36,0,0,0 7=255,0,0,0 56=0,255,0,0 192=0,0,255,0 255=255,255,255,0"
    # WM_QUERYNEWPALETTE: acted on (result 1) only when there is a palette.
    Check "palette: the palette is re-realised on request" \
        test "$(wine "$probe" send OpenGL 0x030F 2>/dev/null)" = "result|1"
    Key "$main" Escape
    WaitExit "$pid" 20
    Check "palette: Esc exits with code 0 (got $exitCode)" test "$exitCode" = 0
else
    Fail "palette: the window opens"
fi
Summary
