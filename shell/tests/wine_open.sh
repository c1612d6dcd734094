#!/usr/bin/env bash
# End to end under Wine: model files. One named on the command line as "Open with" passes it
# (quoted, in a folder with a space, a name outside the ANSI code page), a bad one, two files
# at once, and files dropped on the window (XDND, which Wine hands on as WM_DROPFILES): the
# title names a big file while it loads, and a drop during an error box waits for its answer.
# wine_open.sh WORKDIR PREFIX TRACKVIEW_EXE PROBE_EXE MODELS_DIR XDND_DROP
set -uo pipefail
source "$(dirname "$0")/wine_lib.sh"
WineStart "$1" "$2"
exe=$3 probe=$4 models=$5 drop=$6
title=$(StartupText kWindowTitleUtf8) fogClear='128,64,64'
folder="$work/two words" name="mödel Ω.obj"
mkdir -p "$folder" && cp "$models/tetra.obj" "$folder/$name"
printf 'v 0 0 0\nf 1 2 3\n' >"$folder/bad.obj"
bash "$(dirname "$0")/../../bench/torus.sh" "$work/torus.obj" # 1,000,000 triangles

# Open FILE...: starts the program with Windows paths, as the file manager passes them.
Open()
{
    local args=() file
    for file; do args+=("$(LC_ALL=C.UTF-8 winepath -w "$file" 2>/dev/null)"); done
    LC_ALL=C.UTF-8 wine "$exe" "${args[@]}" >>"$work/stderr" 2>&1 &
    pid=$!
    pids+=("$pid")
}
Titled() { local id; id=$(TitledWindow "$1 -$title"); [[ -n $id ]] && ((id == main)); }
# ErrorBox TEXT: the "Error" box of program pid says TEXT (a grep pattern); it is answered, and
# windows holds what showed beside it.
ErrorBox()
{
    local box
    box=$(WindowOf "$pid" '^Error$') && windows=$(Probe) && Key "$box" Return &&
        grep -q "^child|Static|$1" <<<"$windows"
}

Open "$folder/bad.obj"
Check "a bad file: an error box at once, no notice" \
    eval 'ErrorBox "cannot open Z:.*two words.bad.obj:2: " && ! grep -qF "|$(StartupText kNoticeCaption)|" <<<"$windows"'
WaitExit "$pid" 20
Check "and code 1 (got $exitCode), the same line on stderr" \
    eval '((exitCode == 1)) && grep -q "^trackview: cannot open .*bad.obj:2: " "$work/stderr"'
Open "$folder/bad.obj" "$folder/$name"
Check "two files: a usage error box" ErrorBox "unexpected argument .*one file at most"
WaitExit "$pid" 20
Check "and code 2 (got $exitCode)" test "$exitCode" = 2

Open "$folder/$name"
AnswerNotice
Check "a file named: the window titled after it" \
    eval 'main=$(WindowOf "$pid" "^m.*del .*obj - ") && Titled "$name"'
IFS=, read -r cx cy _ <<<"$(ProbeWindow | cut -d'|' -f6)"
Fog() { Shot now "1x1+$((cx + 3))+$((cy + 3))" && Near "$(Pixel now 0 0)" "$fogClear"; }
Key "$main" f
"$drop" "$main" "$models/cube.ply" "$models/tetra.obj"
Check "two files dropped: the first is shown, the fog stays" eval 'Poll 20 Titled cube.ply && Fog'
"$drop" "$main" "$folder/bad.obj"
Check "a bad file dropped: an error box" ErrorBox "cannot open .*bad.obj:2: "
Check "and the mesh stays" Titled cube.ply

SpyTitles "$main"
"$drop" "$main" "$work/torus.obj"
Check "a big file dropped: the title says it is loading, then names it" \
    eval 'Poll 20 Titled torus.obj && TitleWas "loading torus.obj..."'
"$drop" "$main" "$folder/bad.obj"
box=$(WindowOf "$pid" '^Error$')
"$drop" "$main" "$models/cube.ply"
Check "a drop while the error box is open waits: one box, the mesh as it was" \
    eval '(($(Probe | grep -c "^window|#32770|Error|") == 1)) && Titled torus.obj'
Key "$box" Return
Check "and opens once the box is answered" Poll 20 Titled cube.ply
Key "$main" Escape
WaitExit "$pid" 20
Check "Esc exits with code 0 (got $exitCode)" test "$exitCode" = 0

# Following the file: rewritten in place, then replaced by a rename; the view stays. And the
# wheel, a right drag and 'r'.
Still() { Shot a "$view" && sleep 0.3 && Shot b "$view" && Same a b; }
Shows() { Shot now "$view" && Same now "$1"; }
cp "$models/tetra.obj" "$work/watched.obj"
Open "$work/watched.obj"
AnswerNotice
main=$(WindowOf "$pid" "^watched.obj - ")
view=$(ProbeWindow | cut -d'|' -f6 | awk -F, '{ print $3 "x" $4 "+" $1 "+" $2 }')
xdotool mousemove --window "$main" 400 400 click 1
Check "a click stops it: the picture to compare with" Poll 20 Still && cp "$work/b.png" "$work/tetra.png"
cat "$models/polygons.obj" >"$work/watched.obj"
Check "a file rewritten in place is shown again" Poll 20 eval '! Shows tetra && Still'
cp "$models/tetra.obj" "$work/new.obj" && mv "$work/new.obj" "$work/watched.obj"
Check "and, replaced by a rename, as it was, in the same view" Poll 20 Shows tetra
xdotool mousemove --window "$main" 300 300 click 4
Check "the wheel zooms" Poll 20 eval '! Shows tetra && Still'
cp "$work/b.png" "$work/zoomed.png"
xdotool mousedown 3 mousemove --window "$main" 360 330 mouseup 3
Check "a right drag moves the model" Poll 20 eval '! Shows zoomed && Still'
Key "$main" r
Check "'r': back to the start, spinning" Poll 20 eval '! Still'
Key "$main" Escape
WaitExit "$pid" 20
Summary
