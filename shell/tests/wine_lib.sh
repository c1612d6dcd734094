# Helpers for the end-to-end tests of trackview.exe under Wine on a private Xvfb, on top of the
# shared X11 library. Sourced by the test scripts; they call WineStart first.
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/lib/x11.sh"

# WineStart WORKDIR PREFIX [XVFB-SCREEN]: a private X server and the given Wine prefix.
WineStart()
{
    work=$1
    rm -rf "$work"
    XvfbStart "${3:-1280x1024x24}"
    export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
}

# WineRun EXE ARGS...: starts a program; sets pid.
WineRun() { wine "$@" >"$work/$(basename "$1")-${2:-run}.log" 2>&1 & pid=$!; pids+=("$pid"); }

# Probe: the probe program's view of the visible top-level windows (see probe.cpp).
Probe() { wine "$probe" 2>/dev/null; }
ProbeWindow() { Probe | grep -a "^window|OpenGL|" || true; }

MainWindow() { main=$(WindowOf "$pid" "$(TitlePattern)"); }

# AnswerNotice: the start-up notice of program pid appears and is answered.
AnswerNotice()
{
    local box
    box=$(WindowOf "$pid" "^$(StartupText kNoticeCaption)\$") && Key "$box" Return
}

# CheckErrorExit NAME TEXT OWNER [shown]: program pid shows the "Error" box with TEXT (control
# characters as \xHH), owned by a window of class OWNER ("-": none), before its window shows
# unless "shown" is given, and exits with code 1 once it is answered.
CheckErrorExit()
{
    local name=$1 text=$2 owner=$3 box windows
    box=$(WindowOf "$pid" '^Error$') || { Fail "$name: an \"Error\" box appears"; return; }
    windows=$(Probe)
    Check "$name: \"$text\"" grep -qxF "child|Static|$text" <<<"$windows"
    Check "$name: the box is owned by '$owner'" grep -qF "window|#32770|Error|$owner|" <<<"$windows"
    [[ ${4:-} == shown ]] ||
        Check "$name: the window never shows" eval '! grep -q "^window|OpenGL|" <<<"$windows"'
    Key "$box" Return
    WaitExit "$pid" 20
    Check "$name: exit code 1 (got $exitCode)" test "$exitCode" = 1
}
