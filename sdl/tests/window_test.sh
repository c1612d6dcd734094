#!/usr/bin/env bash
# End-to-end test of the trackview window on an Xvfb of its own: the start-up notice, the window's
# size and title, frames, spinning, a drag released outside the window, a click that stops the
# mesh (and then no CPU use), the keys, a resize, Esc, signals; then the start-up failures:
# arguments, no display, no GL pixel format, no message box. Model files: one named on the
# command line, files dropped on the window (by XDND_DROP), bad ones. (The close button is the
# message loop's test, sdl/tests/loop_test.cpp.)
# usage: window_test.sh WORKDIR TRACKVIEW MODELS_DIR XDND_DROP
# A background job ignores SIGQUIT: the program gets it back, as it has in a terminal.
set -u
work=$1 trackview=$2 models=$3 drop=$4
rm -rf "$work"
source "$(dirname "$0")/../../tests/lib/x11.sh"
unset WAYLAND_DISPLAY
export SDL_VIDEODRIVER=x11 # an inherited driver would take SDL away from this server
caption=$(StartupText kNoticeCaption) title=$(StartupText kWindowTitleUtf8)
clear='102,51,13' fog='128,64,64' view=819x819+50+50

Start() { env --default-signal=QUIT "$trackview" "$@" 2>>"$work/stderr" & pid=$!; pids+=("$pid"); }
Notice() { notice=$(TitledWindow "$caption"); [[ -n $notice ]]; }
Main() { main=$(WindowOf "$pid" "$(TitlePattern)" "${1:-20}"); }
Answer() { Poll 20 Notice && Key "$notice" Return && Main; }
Exits() { WaitExit "$pid" "$2" && [[ $exitCode == "$1" ]]; }
Moving() { Shot a "$view" && Shot b "$view" && ! Same a b; }
Still() { Shot a "$view" && sleep 0.2 && Shot b "$view" && Same a b; }
Shows() { Shot now "$view" && Same now "$1"; }
Background() { Shot now "$view" && Near "$(Pixel now 10 10)" "$1" && Near "$(Pixel now 808 808)" "$1"; }
Fixed() { [[ $(xdotool getwindowgeometry "$main" | tr -s ' \n' ' ') == *"50,50 (screen: 0) Geometry: 819x819 " ]]; }
Covered() { convert "$work/$1.png" -fuzz 1% -fill black -opaque "rgb(${2:-$clear})" -fill white +opaque black -format '%[fx:round(mean*w*h)]' info:; }
Titled() { local id; id=$(TitledWindow "$1 -$title"); [[ -n $id ]] && ((id == main)); } # file $1
ErrorBox() { errorbox=$(TitledWindow Error); [[ -n $errorbox ]]; }

XvfbStart
Start
Check "the start-up notice comes first" Poll 20 Notice
Check "no window before the notice is answered" eval '! Main 1'
Check "the window shows once the notice is answered" Answer
Check "819 x 819 at (50, 50), exact title" eval 'Fixed && (($(TitledWindow "$title") == main))'
Check "the first frames clear to the background around the mesh" eval \
    'Poll 20 Background "$clear" && (($(Covered now) > 819 * 819 / 20))'
Check "it spins by itself" Poll 20 Moving
xdotool mousemove 460 460 click 1
Check "a click stops it" Poll 20 Still
cp "$work/b.png" "$work/stopped.png"
ticks=$(CpuTicks "$pid")
sleep 3 # a measuring interval
ticks=$(($(CpuTicks "$pid") - ticks))
Check "still: $ticks ticks of CPU in 3 s, the picture unchanged" eval \
    '((ticks * 5 < $(getconf CLK_TCK))) && Shows stopped'

Key "$main" F p
# More background shows between the wireframe's lines.
Wireframe() { Still && Near "$(Pixel b 10 10)" "$clear" && (($(Covered b) < $(Covered stopped))); }
Check "'F' does nothing, 'p' draws the wireframe" Poll 20 Wireframe
Key "$main" p
Check "'p' again fills" Poll 20 Shows stopped
Key "$main" f
Check "'f' turns the background to the fog colour" Poll 20 Background "$fog"
Key "$main" f
Check "'f' again restores the picture" Poll 20 Shows stopped

xdotool windowsize "$main" 500 400
Check "a resized window snaps back" Poll 20 Fixed
Check "and draws the same picture" Poll 20 Shows stopped

xdotool mousemove 300 300 click 4
Check "the wheel zooms, and the mesh stays still" eval 'Poll 20 eval "! Shows stopped && Still"'
cp "$work/b.png" "$work/zoomed.png"
xdotool mousedown 3 mousemove 360 330 mouseup 3
Check "a right drag moves it" eval 'Poll 20 eval "! Shows zoomed && Still"'
Key "$main" r
Check "'r': back to the start, spinning" Poll 20 Moving
xdotool mousemove 460 460 click 1
Check "a click stops it: the picture to compare with" Poll 20 Still && cp "$work/b.png" "$work/stopped.png"

xdotool mousemove 650 450 mousedown 1
for x in 630 600 560 520; do xdotool mousemove "$x" 470; done
Check "a drag turns the mesh" eval 'Poll 20 Still && ! Same b stopped'
xdotool mousemove 300 480 mousemove 10 500 mouseup 1 # window x = -40 at the release
Check "released outside the window, it keeps spinning" Poll 20 Moving
Key "$main" Escape
Check "Esc ends the program with code 0" Exits 0 10

Start
Poll 20 Notice
kill -TERM "$pid"
Check "SIGTERM while the notice is shown: code 0 at once" Exits 0 2
Check "and the notice is gone" Poll 5 eval '! Notice'
Start
Answer
kill -INT "$pid"
Check "SIGINT while running: code 0 at once" Exits 0 2
ulimit -c 0
for sig in HUP QUIT USR1 KILL; do
    Start
    Poll 20 Notice
    kill -"$sig" "$pid"
    Check "SIG$sig while the notice is shown ends the program and the notice" eval \
        'WaitExit "$pid" 5 && [[ $exitCode != timeout ]] && Poll 5 eval "! Notice"'
done

bash "$(dirname "$0")/../../bench/torus.sh" "$work/torus.obj" # 1,000,000 triangles
for sig in TERM INT; do
    Start "$work/torus.obj"
    sleep 0.05 # well within the read, long before anything shows
    kill -"$sig" "$pid"
    Check "SIG$sig during the read at start-up ends the program as the signal does" eval \
        'WaitExit "$pid" 10 && ((exitCode == 128 + $(kill -l "$sig"))) && ! Notice'
done

printf 'v 0 0 0\nf 1 2 3\n' >"$work/bad.obj"
Start "$work/bad.obj"
Check "a bad file named: an error box at once, no notice" eval 'Poll 20 ErrorBox && ! Notice'
Key "$errorbox" Return
Check "and code 1, the reason on stderr" eval 'Exits 1 10 && grep -q "cannot open $work/bad.obj:2: " "$work/stderr"'
# Box texts: UTF-8 whatever the locale, broken into lines that fit the screen.
cp "$work/bad.obj" "$work/mödel Ω.obj"
for locale in C C.UTF-8; do
    LC_ALL=$locale Start "$work/mödel Ω.obj"
    Poll 20 ErrorBox && sleep 0.5 && Shot "box-$locale" && Key "$errorbox" Return && Exits 1 10
done
Check "under LC_ALL=C the error box shows the UTF-8 text it shows under C.UTF-8" Same box-C box-C.UTF-8
long=$work/$(printf 'folder%.0s' {1..30})
mkdir -p "$long" && cp "$work/bad.obj" "$long/$(printf 'name%.0s' {1..30}).obj"
Start "$long/"*.obj
Check "a name of ${#long}+ characters: the box fits the screen" eval \
    'Poll 20 ErrorBox && (($(xwininfo -id "$errorbox" | awk "/Width:/ { print \$2 }") < 1000))'
Key "$errorbox" Return
Exits 1 10

Start "$models/tetra.obj"
Check "a file named: the notice, then the window titled after the file" eval \
    'Poll 20 Notice && Key "$notice" Return && main=$(WindowOf "$pid" "^tetra.obj - ") && Titled tetra.obj'
Key "$main" f p
"$drop" "$main" "$models/cube.ply" "$models/tetra.obj"
Check "two files dropped: the first is shown" Poll 20 Titled cube.ply
Check "and fog, spin and wireframe stay" eval 'Poll 20 Background "$fog" && Poll 20 Moving && lines=$(Covered now "$fog")'
Key "$main" p
Check "(the wireframe was on)" Poll 20 eval '(($(Shot now "$view"; Covered now "$fog") > 2 * lines))'
SpyTitles "$main"
"$drop" "$main" "$work/torus.obj"
Check "a big file dropped: the title says it is loading, then names it" \
    eval 'Poll 20 Titled torus.obj && TitleWas "loading torus.obj..."'
"$drop" "$main" "$work/bad.obj"
Check "a bad file dropped: an error box" Poll 20 ErrorBox
Key "$errorbox" Return
Check "and the mesh stays, spinning" eval 'Titled torus.obj && Poll 20 Moving'
"$drop" "$main" "$work/bad.obj"
Poll 20 ErrorBox
kill -TERM "$pid"
Check "SIGTERM while that box is shown: code 0, the box gone" eval 'Exits 0 5 && Poll 5 eval "! ErrorBox"'

# Following the file shown: rewritten in place, replaced by a rename, written in two halves with
# a pause, deleted and restored, broken: the window follows and keeps its view, shows no box,
# and sleeps between changes; with --no-watch it does not follow.
Opened() { Poll 20 Notice && Key "$notice" Return && main=$(WindowOf "$pid" "^$1 - "); }
cp "$models/tetra.obj" "$work/watched.obj"
Start "$work/watched.obj"
Opened watched.obj
xdotool mousemove 460 460 click 1
Check "a click stops it: the picture to compare with" Poll 20 Still && cp "$work/b.png" "$work/tetra.png"
Watched() { [[ $(xdotool getwindowname "$main") == "watched.obj -$title" ]]; }
cat "$models/polygons.obj" >"$work/watched.obj"
Check "rewritten in place: the new mesh, the same view" eval 'Poll 20 eval "! Shows tetra && Still" && Watched'
cp "$work/b.png" "$work/polygons.png"
cp "$models/tetra.obj" "$work/new.obj" && mv "$work/new.obj" "$work/watched.obj"
Check "replaced by a rename: the mesh before, as it was" Poll 20 Shows tetra
half=$(($(stat -c %s "$models/polygons.obj") / 2))
head -c "$half" "$models/polygons.obj" >"$work/watched.obj"
sleep 1
tail -c "+$((half + 1))" "$models/polygons.obj" >>"$work/watched.obj"
Check "written in two halves: the whole of it in the end" eval 'Poll 20 Shows polygons && Watched'
rm "$work/watched.obj"
sleep 1
Check "deleted: the mesh stays" Shows polygons
cp "$models/tetra.obj" "$work/watched.obj"
Check "and back: shown again" Poll 20 Shows tetra
printf 'v 0 0 0\nf 1 2 3\n' >"$work/watched.obj"
Broken() { [[ $(xdotool getwindowname "$main") == "watched.obj (cannot read: line 2: "* ]]; }
Check "broken: the reason in the title, the mesh kept, no box" eval \
    'Poll 20 Broken && Shows tetra && ! ErrorBox && grep -q "watched.obj:2: " "$work/stderr"'
ticks=$(CpuTicks "$pid")
sleep 2
ticks=$(($(CpuTicks "$pid") - ticks))
Check "between changes: $ticks ticks of CPU in 2 s" eval '((ticks * 10 < $(getconf CLK_TCK)))'
Key "$main" Escape
Exits 0 10
cp "$models/tetra.obj" "$work/watched.obj"
Start --no-watch "$work/watched.obj"
Opened watched.obj
xdotool mousemove 460 460 click 1
Check "a click stops it: the picture to compare with" Poll 20 Still && cp "$work/b.png" "$work/unwatched.png"
cp "$models/polygons.obj" "$work/watched.obj"
Check "--no-watch: the file is not followed" eval 'sleep 1.5 && Shows unwatched'
Key "$main" Escape
Exits 0 10

SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1 Start
Answer
Check "no GL pixel format: an error box" Poll 20 eval 'errorbox=$(TitledWindow Error); [[ -n $errorbox ]]'
Key "$errorbox" Return
Check "and code 1 once it is answered" Exits 1 10
Check "stderr names the failed step" grep -q "no OpenGL pixel format" "$work/stderr"
SDL_OPENGL_LIBRARY=/nonexistent/libGL.so.1 Start
Answer && Poll 20 eval '[[ -n $(TitledWindow Error) ]]'
kill -KILL "$pid"
Check "SIGKILL while the error box is shown takes the box too" Poll 5 eval '[[ -z $(TitledWindow Error) ]]'

# Without the X core font that SDL's message boxes need, nothing blocks: the texts go to stderr.
XvfbStop
XvfbStart 1280x1024x24 -fp built-ins
Run() { err=$(env "$@" timeout 20 "$trackview" 2>&1 >/dev/null); status=$?; }
Run SDL_OPENGL_LIBRARY=/nonexistent
Check "no message box: code 1" test $status = 1
Check "stderr says why, for the notice and for the error box" eval \
    '[[ $err == *"no message box could be shown for the start-up notice (SDL: "*"no OpenGL pixel format"*"no message box could be shown for the error box"* ]]'
(SDL_OPENGL_LIBRARY=/nonexistent timeout 20 "$trackview" 2>&-)
Check "with stderr closed, code 1 all the same" test $? = 1
runtime=$(mktemp -d -p "$work") # SDL looks for a Wayland socket there even without WAYLAND_DISPLAY
Run -u DISPLAY XDG_RUNTIME_DIR="$runtime" SDL_VIDEODRIVER=
Check "no DISPLAY: code 1, said on stderr" eval '((status == 1)) && [[ $err == *"no display"* ]]'

Check "--version" test "$("$trackview" --version)" = "trackview 1.0.0"
Check "--help: usage with the keys on stdout" eval '"$trackview" --help | grep -q Esc'
err=$("$trackview" --frobnicate 2>&1); status=$?
Check "other arguments: code 2 and a message" eval '((status == 2)) && [[ $err == *frobnicate* ]]'
"$trackview" a.obj b.obj 2>/dev/null
Check "two files: code 2" test $? = 2
err=$("$trackview" --help --version 2>&1); status=$? want="argument '--version' after '--help'"
Check "--help --version: code 2, naming --version" eval '((status == 2)) && [[ $err == *"$want"* ]]'
err=$("$trackview" --version 2>&1 >/dev/full); status=$?
Check "--version into a full device: code 1 and why" eval \
    '((status == 1)) && [[ $err == *"No space left on device" ]]'
err=$(SDL_VIDEODRIVER=dummy "$trackview" 2>&1); status=$? want="video driver 'dummy'"
Check "SDL_VIDEODRIVER=dummy: code 1, naming the driver" eval '((status == 1)) && [[ $err == *"$want"* ]]'
Summary
