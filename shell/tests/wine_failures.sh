#!/usr/bin/env bash
# End to end under Wine: each set-up failure shows its "Error" box and ends with exit code 1.
# wine_failures.sh WORKDIR PREFIX FAULTS_EXE PROBE_EXE
set -euo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2"
faults=$3 probe=$4

# RunFault FAULT TEXT OWNER NOTICE: the box with TEXT, owned by a window of class OWNER ("-":
# none); NOTICE says whether the start-up notice comes first.
RunFault()
{
    local fault=$1 text=$2 owner=$3 notice=$4
    wine "$faults" "$fault" >"$work/$fault.log" 2>&1 &
    local pid=$!
    programPids+=("$pid")
    if [[ $notice == yes ]]; then
        local box
        box=$(WaitWindow "$pid" '^soft by Quellmar - ')
        [[ -n "$box" ]] || { Fail "$fault: the start-up notice appears"; return; }
        PressKey "$box" Return
    fi
    local error
    error=$(WaitWindow "$pid" '^Error$')
    [[ -n "$error" ]] || { Fail "$fault: an \"Error\" box appears"; return; }
    local windows
    windows=$(Probe)
    Check "$fault: \"$text\"" grep -qxF "child|Static|$text" <<<"$windows"
    Check "$fault: the box is owned by '$owner'" grep -qF "window|#32770|Error|$owner|" <<<"$windows"
    Check "$fault: the window never shows" bash -c '! grep -q "^window|OpenGL|" <<<"$1"' _ "$windows"
    PressKey "$error" Return
    Check "$fault: exit code 1" test "$(WaitExit "$pid" 20)" = 1
}

# A second, different pixel format on the window: the shell's SetPixelFormat fails for real.
RunFault pixelformat "SetPixelFormat failed" OpenGL yes
RunFault context "wglCreateContext failed" OpenGL yes
RunFault window "CreateWindow failed" - yes
RunFault class "RegisterClass failed" - no
Summary
