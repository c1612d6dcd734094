# Shared by the end-to-end window tests (SDL and Wine) and the desktop figures: a private Xvfb,
# polling, screenshots and their comparison, CPU ticks, windows by title, and the start-up texts
# as the programs have them. Sourced; the caller sets `work` (a directory of its own) first.

x11Root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
xvfbPid=""
pids=() # processes to kill when the script ends
failures=0

Fail()
{
    echo "FAIL - $*"
    failures=$((failures + 1))
    [[ -z ${DISPLAY:-} ]] || import -window root "$work/failure-$failures.png" 2>/dev/null || true
}
Check() { if "${@:2}"; then echo "ok - $1"; else Fail "$1"; fi; } # DESCRIPTION COMMAND...
Summary()
{
    ((failures == 0)) || { echo "$failures check(s) failed; screenshots in $work"; exit 1; }
    echo "all checks passed"
}

X11CleanUp()
{
    local pid
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    [[ -z ${WINEPREFIX:-} ]] || timeout 20 wineserver -k 2>/dev/null || true
    XvfbStop
}

# XvfbStart [WxHxDEPTH [XVFB-ARGS...]]: a private X server (1280x1024x24 unless given) as
# DISPLAY. -noreset: a client connecting while the server resets after its last client left
# would fail.
XvfbStart()
{
    mkdir -p "$work"
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "${1:-1280x1024x24}" -nolisten tcp -noreset "${@:2}" \
        3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfbPid=$!
    trap X11CleanUp EXIT
    Poll 20 test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
}
XvfbStop() { [[ -z $xvfbPid ]] || { kill "$xvfbPid"; wait "$xvfbPid"; xvfbPid=""; } 2>/dev/null || true; }

# Poll SECONDS COMMAND...: true once COMMAND succeeds (tried every pollInterval seconds), false
# when the deadline passes.
Poll()
{
    local deadline=$((SECONDS + $1))
    until "${@:2}"; do
        ((SECONDS < deadline)) || return 1
        sleep "${pollInterval:-0.1}"
    done
}

# StartupText NAME: a constant of viewer/startup.h; the title (kWindowTitleUtf8 or
# kWindowTitleAnsi) with its accents in that encoding.
StartupText()
{
    local header=$x11Root/viewer/startup.h text
    case $1 in
    kWindowTitleUtf8) text=$(sed -n 's/^#define TRACKVIEW_TITLE(acute) "\(.*\)"$/\1/p' "$header")
        text=${text//\" acute \"/´} ;;
    kWindowTitleAnsi) text=$(StartupText kWindowTitleUtf8 | iconv -f UTF-8 -t CP1252) ;;
    *) text=$(sed -n "s/^constexpr char $1\[\] = \"\(.*\)\";$/\1/p" "$header") ;;
    esac
    printf '%s' "$text"
}

# TitlePattern: a regular expression for the main window's title, whatever the accents' encoding.
TitlePattern() { local t; t=$(StartupText kWindowTitleUtf8); printf '%s' "^${t//´/.*}\$"; }

# WindowOf PID TITLE-REGEX [SECONDS]: the X id of a visible window of PID whose title matches
# (polled: a search fails outright when a window vanishes under it).
WindowOf()
{
    local id
    Found() { id=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n1) && [[ -n $id ]]; }
    Poll "${3:-30}" Found "$1" "$2" && echo "$id"
}
# TitledWindow TITLE: the X id of a top-level window titled exactly TITLE, of any process (SDL's
# message boxes belong to a child process); xwininfo prints UTF-8 only in a UTF-8 locale.
TitledWindow() { LC_ALL=C.UTF-8 xwininfo -root -tree | awk -v want="\"$1\":" 'index($0, want) { print $1; exit }'; }

# Key WINDOW KEY...: keys go to the window under the pointer, so it is focused first.
Key() { xdotool windowfocus --sync "$1" key --delay 50 "${@:2}"; }

# Shot NAME [WxH+X+Y]: a screenshot of the root window as $work/NAME.png, cropped if asked.
Shot() { import -window root ${2:+-crop "$2" +repage} "$work/$1.png"; }
Same() { compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>/dev/null; }
# Pixel NAME X Y: "r,g,b" of one pixel. Near "r,g,b" "r,g,b": equal within 2 per channel.
Pixel() { convert "$work/$1.png" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/.*rgb(\([0-9,]*\)).*/\1/p'; }
Near() { awk -v a="$1" -v b="$2" 'BEGIN { n = split(a, x, ","); split(b, y, ",")
    for (i = 1; i <= 3; ++i) if (n != 3 || (x[i] - y[i]) ^ 2 > 4) exit 1 }'; }

# SpyTitles WINDOW: every title WINDOW takes from now on goes to $work/titles; TitleWas TEXT: the
# window had the title TEXT at some moment since.
SpyTitles() # xprop says the title it starts with once it watches: nothing is missed after that
{
    xprop -id "$1" -spy _NET_WM_NAME >"$work/titles" 2>&1 &
    pids+=($!)
    Poll 5 test -s "$work/titles"
}
TitleWas() { grep -qF "\"$1\"" "$work/titles"; }

CpuTicks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; } # utime + stime
Running() { [[ $(awk '{ sub(/.*\) /, ""); print $1 }' "/proc/$1/stat" 2>/dev/null) == [^Z] ]]; }

# WaitExit PID SECONDS: waits for PID, a child of this shell, and sets exitCode ("timeout" if it
# runs on).
WaitExit()
{
    exitCode=0
    Poll "$2" eval "! Running $1" || { exitCode=timeout; return; }
    wait "$1" || exitCode=$?
}
