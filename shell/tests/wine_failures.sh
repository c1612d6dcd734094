#!/usr/bin/env bash
# End to end under Wine: each set-up failure shows its "Error" box and ends with exit code 1.
# wine_failures.sh WORKDIR PREFIX FAULTS_EXE PROBE_EXE
set -euo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2"
faults=$3 probe=$4

RunFault() # FAULT TEXT OWNER NOTICE
{
    wine "$faults" "$1" >"$work/$1.log" 2>&1 &
    programPids+=("$!")
    CheckErrorExit "$1" "$!" "$2" "$3" "$4"
}

# A second, different pixel format on the window: the shell's SetPixelFormat fails for real.
RunFault pixelformat "SetPixelFormat failed" OpenGL yes
RunFault context "wglCreateContext failed" OpenGL yes
RunFault window "CreateWindow failed" - yes
RunFault class "RegisterClass failed" - no
Summary
