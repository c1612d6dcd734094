#!/usr/bin/env bash
# End-to-end test of the trackview window on an Xvfb of its own: the start-up notice, the window's
# size and title, the first frames, spinning, a drag released outside the window, a click that
# stops the mesh (and then no CPU use), the keys f, F and p, Esc, the close button, and the error
# box when no GL pixel format can be had.
# usage: window_test.sh TRACKVIEW CLOSE-WINDOW-HELPER
set -u
trackview=$1
closer=$2
work=$(mktemp -d)
xvfb_pid=""
program_pid=""

Stop() { # TERM, a grace period, then KILL; always reaped
    local pid=$1
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in $(seq 20); do
        [[ $(ProcessState "$pid") == [ZX] ]] && break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}
Cleanup() {
    [[ -n "$program_pid" ]] && Stop "$program_pid"
    [[ -n "$xvfb_pid" ]] && Stop "$xvfb_pid"
    rm -rf "$work"
}
trap Cleanup EXIT

Fail() {
    echo "FAIL: $*" >&2
    exit 1
}
Step() { echo "-- $*"; }

# Runs a command every 0.1 s until it succeeds; false after SECONDS.
Poll() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# R (running, sleeping...), Z (exited, not yet reaped) or X (gone).
ProcessState() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo X; return; }
    stat=${stat##*) }
    echo "${stat%% *}"
}
Exited() { [[ $(ProcessState "$program_pid") == [ZX] ]]; }

# Waits for the program to end and checks its exit code.
ExpectExit() {
    local code=$1 what=$2
    Poll 10 Exited || Fail "$what: the program did not end"
    wait "$program_pid"
    local status=$?
    program_pid=""
    [[ $status -eq $code ]] || Fail "$what: exit code $status, expected $code"
}

StartProgram() {
    "$trackview" 2>>"$work/stderr" &
    program_pid=$!
}

# The window id of a top-level window titled exactly TITLE (xwininfo prints UTF-8 titles only
# in a UTF-8 locale).
FindTitled() {
    LC_ALL=C.UTF-8 xwininfo -root -tree | awk -v want="\"$1\":" \
        'index($0, want) { print $1; exit }'
}
NoticeShown() { notice=$(FindTitled "soft by Quellmar - trackview@users.noreply.example "); [[ -n "$notice" ]]; }
ErrorShown() { errorbox=$(FindTitled "Error"); [[ -n "$errorbox" ]]; }
MainWindowShown() {
    window=$(xdotool search --onlyvisible --pid "$program_pid" --name 'soft by Quellmar - press' \
        2>/dev/null | head -1)
    [[ -n "$window" ]]
}
DismissNotice() {
    Poll 20 NoticeShown || Fail "no start-up notice"
    xdotool windowfocus --sync "$notice" key Return
}

# Screenshots of the window's area; compared by compare's exit status.
n=0
Shot() {
    n=$((n + 1))
    shot="$work/shot$n.png"
    import -window root -crop 819x819+50+50 +repage "$shot"
}
Same() { compare -metric AE "$1" "$2" null: 2>/dev/null; }
# Takes screenshots until two in a row are identical: the picture stands still.
Still() {
    Shot
    local previous=$shot
    Shot
    Same "$previous" "$shot"
}
Moving() {
    Shot
    local previous=$shot
    Shot
    ! Same "$previous" "$shot"
}
# Pixel (x, y) of the last screenshot is within 2 units of r g b.
PixelNear() {
    local x=$1 y=$2 r=$3 g=$4 b=$5 text
    text=$(convert "$shot" -crop "1x1+$x+$y" -depth 8 txt: | tail -1)
    [[ "$text" =~ \(([0-9]+),([0-9]+),([0-9]+) ]] || return 1
    local dr=$((BASH_REMATCH[1] - r)) dg=$((BASH_REMATCH[2] - g)) db=$((BASH_REMATCH[3] - b))
    ((dr * dr <= 4 && dg * dg <= 4 && db * db <= 4))
}
BackgroundAt() { Shot && PixelNear 10 10 "$@" && PixelNear 808 808 "$@"; }
# Pixels of the clear colour in a screenshot.
BackgroundPixels() {
    convert "$1" -fuzz 1% -fill black +opaque 'rgb(102,51,13)' -fill white \
        -opaque 'rgb(102,51,13)' -format '%[fx:round(mean*w*h)]' info:
}
Key() { xdotool windowfocus --sync "$window" key "$@"; }
CpuTicks() { # utime + stime
    local stat
    stat=$(cat "/proc/$program_pid/stat") || return 1
    stat=${stat##*) }
    awk '{ print $12 + $13 }' <<<"$stat"
}

unset WAYLAND_DISPLAY
export SDL_VIDEODRIVER=x11 # an inherited driver would take SDL away from this server

Step "Xvfb"
Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/display" 2>/dev/null &
xvfb_pid=$!
Poll 20 test -s "$work/display" || Fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"

Step "start-up notice first, then the window"
StartProgram
Poll 20 NoticeShown || Fail "no start-up notice"
MainWindowShown && Fail "the window exists before the notice was dismissed"
DismissNotice
Poll 20 MainWindowShown || Fail "no window after the notice"
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ "$X,$Y,$WIDTH,$HEIGHT" == "50,50,819,819" ]] ||
    Fail "window at $X,$Y size ${WIDTH}x$HEIGHT, expected 50,50 819x819"
title=$(LC_ALL=C.UTF-8 xwininfo -id "$window" | sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p')
[[ "$title" == " soft by Quellmar - press ´p´ key " ]] || Fail "title '$title'"

Step "first frames: the clear colour around the mesh"
Poll 20 BackgroundAt 102 51 13 || Fail "no background colour (102, 51, 13) in the corners"
(($(BackgroundPixels "$shot") < 819 * 819 * 95 / 100)) || Fail "no mesh drawn"

Step "spins by itself"
Poll 20 Moving || Fail "the picture does not change while spinning"

Step "a click stops it; then the picture stays the same and the process sleeps"
xdotool mousemove 460 460 click 1
Poll 20 Still || Fail "still turning after a click"
still=$shot
ticks=$(CpuTicks)
sleep 3 # a measuring interval, not a wait for something to happen
ticks=$(($(CpuTicks) - ticks))
hz=$(getconf CLK_TCK)
echo "CPU while still: $ticks ticks of 1/$hz s in 3 s"
((ticks * 5 < hz)) || Fail "used $ticks/$hz s of CPU in 3 s while still"
Shot
Same "$still" "$shot" || Fail "the picture changed while still"

Step "'F' does nothing, 'p' draws the wireframe, 'p' again fills"
Key F p
Changed() { Shot && ! Same "$still" "$shot"; }
Poll 20 Changed || Fail "'p' did not change the picture"
Poll 20 Still || Fail "the picture does not settle after 'p'"
PixelNear 10 10 102 51 13 || Fail "'F' changed the background"
filled=$(BackgroundPixels "$still") wire=$(BackgroundPixels "$shot")
echo "background pixels: filled $filled, wireframe $wire"
((wire > filled + 300)) || Fail "no background shows between the wireframe's lines"
Key p
Unchanged() { Shot && Same "$still" "$shot"; }
Poll 20 Unchanged || Fail "'p' twice does not restore the filled picture"

Step "'f' turns the background to the fog colour, 'f' again restores it"
Key f
Poll 20 BackgroundAt 128 64 64 || Fail "no fog background (128, 64, 64) after 'f'"
Key f
Poll 20 Unchanged || Fail "'f' twice does not restore the picture"

Step "a resized window snaps back to its size and draws the same picture"
xdotool windowsize "$window" 500 400
FixedSize() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [[ "$X,$Y,$WIDTH,$HEIGHT" == "50,50,819,819" ]]
}
Poll 20 FixedSize || Fail "the window stays at ${WIDTH}x$HEIGHT after a resize"
Poll 20 Unchanged || Fail "the picture differs after the window snapped back"

Step "a drag turns the mesh, a release outside the window leaves it spinning"
xdotool mousemove 650 450 mousedown 1
for x in 630 600 560 520; do xdotool mousemove "$x" 470; done
Poll 20 Still || Fail "the picture does not settle while the button is held"
Same "$still" "$shot" && Fail "the drag did not turn the mesh"
xdotool mousemove 300 480 mousemove 10 500 mouseup 1 # window x = -40 at the release
Poll 20 Moving || Fail "not spinning after a release away from the press point"

Step "Esc ends the program with code 0"
Key Escape
ExpectExit 0 "Esc"

Step "the close button ends the program with code 0"
StartProgram
DismissNotice
Poll 20 MainWindowShown || Fail "no window after the notice"
"$closer" "$window" || Fail "cannot send the close request"
ExpectExit 0 "close button"

Step "no GL pixel format: an error box, then code 1"
SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1 StartProgram
DismissNotice
Poll 20 ErrorShown || Fail "no error box"
MainWindowShown && Fail "the window is shown despite the failure"
xdotool windowfocus --sync "$errorbox" key Return
ExpectExit 1 "pixel-format failure"
grep -q "ChoosePixelFormat failed" "$work/stderr" || Fail "stderr does not name the failed step"

echo "PASS"
