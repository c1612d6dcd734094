#!/usr/bin/env bash
# End to end under Wine: start-up notice, icon, window geometry, rendering, spin, mouse, keys,
# a border drag and exit. wine_session.sh WORKDIR PREFIX TRACKVIEW_EXE PROBE_EXE
set -uo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2"
exe=$3 probe=$4
title=$(StartupText kWindowTitleAnsi)
clear='102,51,13' fogClear='128,64,64'

WineRun "$exe"
notice=$(WindowOf "$pid" "^$(StartupText kNoticeCaption)\$") || { Fail "the start-up notice appears"; Summary; }
windows=$(Probe)
Check "the notice shows its text" grep -qxF -e "child|Static|$(StartupText kNoticeText)" <<<"$windows"
Check "the notice has its exact caption and no owner" \
    grep -qF "window|#32770|$(StartupText kNoticeCaption)|-|" <<<"$windows"
Check "no window before the notice is answered" eval '! grep -q "^window|OpenGL|" <<<"$windows"'
Key "$notice" Return

icons=$(wine "$probe" icons "$(winepath -w "$exe" 2>/dev/null)" 2>/dev/null)
Check "the icon holds a 16-colour and a 256-colour 32 x 32 image" \
    test "$(sort <<<"$icons" | tr '\n' ' ')" = "icon|32|32|0|8 icon|32|32|16|4 "

MainWindow || { Fail "the window appears"; Summary; }
line=$(ProbeWindow)
# 80 % of the 1024-pixel screen height, square, at (50, 50).
Check "window class, exact ANSI title, 819 x 819 at (50, 50)" \
    test "${line%|*}" = "window|OpenGL|$title|-|50,50,819,819"
# A true-colour screen needs no palette, so palette requests get default processing.
Check "no palette on a true-colour screen" \
    test "$(wine "$probe" send OpenGL 0x030F 2>/dev/null)" = "result|0"
IFS=, read -r cx cy cw ch <<<"${line##*|}"
client="${cw}x${ch}+${cx}+${cy}"

ClientBackground() { Shot frame "$client" && Near "$(Pixel frame 3 3)" "$1"; }
Check "the first frame clears to the background colour" Poll 20 ClientBackground "$clear"
cover=$(convert "$work/frame.png" -fuzz 2% -fill black -opaque "rgb($clear)" -fill white \
    +opaque black -format '%[fx:mean]' info:)
Check "the mesh is on screen ($cover of the client area)" awk -v c="$cover" 'BEGIN{exit !(c > 0.05)}'

Moving() { Shot a "$client" && Shot b "$client" && ! Same a b; }
Still() { Shot a "$client" && sleep 0.3 && Shot b "$client" && Same a b; }
Matches() { Shot now "$client" && Same now "$1"; }
Check "the mesh spins by itself" Poll 10 Moving
xdotool mousemove --sync $((cx + cw / 2)) $((cy + ch / 2)) click 1
Check "a click stops it" Poll 10 Still
cp "$work/b.png" "$work/stopped.png"

Key "$main" f
Check "'f' turns fog on" Poll 10 ClientBackground "$fogClear"
Key "$main" F f
Check "'F' does nothing and a second 'f' restores the picture" Poll 10 Matches stopped
Key "$main" p
Wireframe() { Shot now "$client" && ! Same now stopped && Near "$(Pixel now 3 3)" "$clear"; }
Check "'p' changes the drawing, not the background" Poll 10 Wireframe
Key "$main" P p
Check "'P' does nothing and a second 'p' restores the picture" Poll 10 Matches stopped

x=$((cx + cw / 2)) y=$((cy + ch / 2))
xdotool mousemove --sync $x $y mousedown 1 mousemove --sync $((x + 20)) $y \
    mousemove --sync $((x + 40)) $((y + 10)) mousemove --sync $((x + 60)) $((y + 20)) mouseup 1
Check "a drag turns the mesh" Poll 10 eval '! Matches stopped'
Check "released away from the press point, it keeps spinning" Poll 10 Moving
xdotool mousemove --sync $x $y click 1
Check "another click stops it" Poll 10 Still
cp "$work/b.png" "$work/turned.png"

# Drag the left border 100 pixels to the right: that edge stays, the size snaps back.
xdotool mousemove --sync 51 400 mousedown 1 mousemove --sync 90 400 mousemove --sync 151 400 mouseup 1
Check "a border drag leaves the window at 819 x 819" Poll 10 eval '[[ $(ProbeWindow) == *"|150,50,819,819|"* ]]'
client="${cw}x${ch}+$((cx + 100))+${cy}"
Check "the drawing is the same after the resize" Poll 10 Matches turned

Key "$main" Escape
WaitExit "$pid" 20
Check "Esc exits with code 0 (got $exitCode)" test "$exitCode" = 0
Summary
