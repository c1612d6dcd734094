# Helpers for the end-to-end tests of trackview.exe under Wine on a private Xvfb. Sourced by
# the test scripts; they call WineStart first and get their clean-up through the EXIT trap.

failures=0
xvfbPid=""
programPids=()

Ok() { echo "ok - $*"; }
Fail()
{
    echo "FAIL - $*"
    failures=$((failures + 1))
    [[ -n "${DISPLAY:-}" ]] && import -window root "$work/failure-$failures.png" 2>/dev/null || true
}
Check() # DESCRIPTION COMMAND...
{
    local what=$1
    shift
    if "$@"; then Ok "$what"; else Fail "$what"; fi
}

WineCleanUp()
{
    local pid
    for pid in "${programPids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    [[ -n "${WINEPREFIX:-}" ]] && timeout 20 wineserver -k 2>/dev/null || true
    if [[ -n "$xvfbPid" ]]; then
        kill "$xvfbPid" 2>/dev/null || true
        wait "$xvfbPid" 2>/dev/null || true
    fi
}

# WineStart WORKDIR PREFIX [DEPTH]: a private 1280x1024 X server (24 bits deep unless DEPTH is
# given) and the given Wine prefix.
WineStart()
{
    work=$1
    mkdir -p "$work"
    rm -f "$work"/*.png "$work/display"
    Xvfb -displayfd 3 -screen 0 "1280x1024x${3:-24}" -nolisten tcp -noreset 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    xvfbPid=$!
    trap WineCleanUp EXIT
    local deadline=$((SECONDS + 20))
    while [[ ! -s "$work/display" ]]; do
        ((SECONDS < deadline)) || { echo "Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$work/display")"
    export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C
}

# Poll SECONDS COMMAND...: true once COMMAND succeeds, false when the deadline passes.
Poll()
{
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

# WaitWindow PID REGEX: prints the X id of the visible window of PID whose title matches.
WaitWindow()
{
    timeout 30 xdotool search --sync --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null |
        head -n1
}

# WaitExit PID SECONDS: waits for the program and sets exitCode ("timeout" if it runs on). Not
# for a command substitution: only this shell, its parent, can collect the exit status.
WaitExit()
{
    local pid=$1 deadline=$((SECONDS + $2))
    exitCode=0
    while kill -0 "$pid" 2>/dev/null; do
        ((SECONDS < deadline)) || { exitCode=timeout; return; }
        sleep 0.1
    done
    wait "$pid" || exitCode=$?
}

# Probe: the probe program's view of the visible top-level windows (see probe.cpp).
Probe() { wine "$probe" 2>/dev/null; }

# PressKey WINDOW KEY...: keys go to the window under the pointer, so focus it first.
PressKey()
{
    local window=$1
    shift
    xdotool windowfocus --sync "$window" key --delay 50 "$@"
}

# Shot NAME [WxH+X+Y]: screenshot of the root window, cropped if a geometry is given.
Shot()
{
    import -window root "$work/$1.png"
    [[ -z "${2:-}" ]] || convert "$work/$1.png" -crop "$2" +repage "$work/$1.png"
}

# Pixel IMAGE X Y: "r,g,b" of one pixel.
Pixel()
{
    convert "$work/$1.png" -crop "1x1+$2+$3" -depth 8 txt:- |
        sed -n 's/.*srgb(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1,\2,\3/p;s/.*rgb(\([0-9]*\),\([0-9]*\),\([0-9]*\)).*/\1,\2,\3/p' |
        head -n1
}

# Near "r,g,b" "r,g,b": equal within 2 per channel.
Near()
{
    local a b
    IFS=, read -ra a <<<"$1"
    IFS=, read -ra b <<<"$2"
    ((${#a[@]} == 3 && ${#b[@]} == 3)) || return 1
    local i
    for i in 0 1 2; do
        local d=$((a[i] - b[i]))
        ((d >= -2 && d <= 2)) || return 1
    done
}

# CheckErrorExit NAME PID TEXT OWNER NOTICE: program PID shows the "Error" box with TEXT (control
# characters as \xHH), owned by a window of class OWNER ("-": none), before its window shows,
# and exits with code 1 once it is dismissed. NOTICE "yes": the start-up notice comes first.
CheckErrorExit()
{
    local name=$1 pid=$2 text=$3 owner=$4 notice=$5 box windows
    if [[ $notice == yes ]]; then
        box=$(WaitWindow "$pid" '^soft by Quellmar - ')
        [[ -n "$box" ]] || { Fail "$name: the start-up notice appears"; return; }
        PressKey "$box" Return
    fi
    box=$(WaitWindow "$pid" '^Error$')
    [[ -n "$box" ]] || { Fail "$name: an \"Error\" box appears"; return; }
    windows=$(Probe)
    Check "$name: \"$text\"" grep -qxF "child|Static|$text" <<<"$windows"
    Check "$name: the box is owned by '$owner'" grep -qF "window|#32770|Error|$owner|" <<<"$windows"
    Check "$name: the window never shows" bash -c '! grep -q "^window|OpenGL|" <<<"$1"' _ "$windows"
    PressKey "$box" Return
    WaitExit "$pid" 20
    Check "$name: exit code 1 (got $exitCode)" test "$exitCode" = 1
}

Same() { compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>/dev/null; }

Summary()
{
    if ((failures > 0)); then
        echo "$failures check(s) failed; screenshots in $work"
        exit 1
    fi
    echo "all checks passed"
}
