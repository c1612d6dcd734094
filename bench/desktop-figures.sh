#!/usr/bin/env bash
# Desktop figures of the real programs on a private Xvfb (1280x1024x24, no window manager):
# time from process start to the first presented frame with the start-up notice answered at
# once, frames per second and CPU while spinning and while dragging, CPU in 5 s while still, peak
# resident memory. The Linux program (SDL) and, where Wine and the cross-built exe are there, the
# Win32 program; each also with the model files listed in TRACKVIEW_FIGURE_MODELS.
#
# Usage: [TRACKVIEW_FIGURE_MODELS=FILE[:FILE...]] bench/desktop-figures.sh [BUILD_DIR]
#   BUILD_DIR defaults to build/figures, configured here as a Release build.
# Nothing is added to the programs: frames are counted from outside with the X Damage extension
# (bench/xframes.cpp), CPU and memory come from /proc. Prints a Markdown table.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
starts=${TRACKVIEW_FIGURE_STARTS:-3} # start-ups measured per program (the median is shown)

bash "$root/scripts/deps.sh" build figures
build=${1:-$root/build/figures}
if [[ $# -eq 0 ]]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$build" -j2 >/dev/null
fi
xframes=$build/bench/trackview-xframes
linuxProgram=$build/sdl/trackview
windowsProgram=$(find "$build" -path '*/shell/trackview.exe' -print -quit 2>/dev/null || true)
[[ -x $xframes ]] || { echo "no $xframes (needs libx11-dev and libxdamage-dev)" >&2; exit 1; }

work=$(mktemp -d)
source "$root/tests/lib/x11.sh"
pollInterval=0.02 # the notice is answered as soon as it shows: it counts in the start-up time
XvfbStart
trap 'X11CleanUp; rm -rf "$work"' EXIT
programPid=""

clearColour="102 51 13" # the background without fog
ticks=$(getconf CLK_TCK)
caption=$(StartupText kNoticeCaption)
NoticeShown() # and mapped, so that it can take the focus
{
    local id
    id=$(TitledWindow "$caption")
    [[ -n $id ]] && xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'
}
MainWindow() { local title; title=$(TitlePattern); WindowOf "$1" "^(.* -)?${title#^}" 1; }
Calc() { awk "BEGIN {print $*}"; }
Median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
StopProgram()
{
    local window
    window=$(MainWindow "$programPid" || true)
    [[ -n $window ]] && xdotool windowfocus --sync "$window" key Escape 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$programPid" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$programPid" 2>/dev/null || true
    wait "$programPid" 2>/dev/null || true
    programPid=""
}

# Start COMMAND...: starts the program, answers the notice at once and waits for the first frame
# (the clear colour at a pixel near the window's bottom-left corner, which the mesh never
# covers). Sets startSeconds and afterNoticeSeconds.
Start()
{
    "$xframes" first 70 850 $clearColour 60 >"$work/first" &
    local watcher=$!
    Poll 10 grep -q ready "$work/first"
    local t0 notice="" answered
    t0=$(date +%s.%N)
    "$@" >"$work/program.log" 2>&1 &
    programPid=$!
    pids+=("$programPid")
    Poll 30 NoticeShown || true
    notice=$(TitledWindow "$caption")
    [[ -n $notice ]] && xdotool windowfocus --sync "$notice" key Return
    answered=$(date +%s.%N)
    if ! wait "$watcher"; then
        echo "no first frame from $*" >&2
        cat "$work/program.log" >&2
        return 1
    fi
    local first
    first=$(tail -n1 "$work/first")
    startSeconds=$(Calc "$first - $t0")
    afterNoticeSeconds=$(Calc "$first - $answered")
    [[ -n $notice ]] || afterNoticeSeconds=NaN
}

# Measure NAME COMMAND...: fills figures[NAME,...].
declare -A figures
Measure()
{
    local name=$1
    shift
    local i starts_s=() after_s=()
    for ((i = 0; i < starts; ++i)); do
        Start "$@" || return 1
        starts_s+=("$startSeconds")
        after_s+=("$afterNoticeSeconds")
        ((i == starts - 1)) || StopProgram
    done
    figures[$name, start]=$(printf '%s\n' "${starts_s[@]}" | Median)
    figures[$name, after]=$(printf '%s\n' "${after_s[@]}" | Median)

    local window x y width height
    window=$(MainWindow "$programPid")
    eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    x=$X y=$Y width=$WIDTH height=$HEIGHT

    # Spinning (the start-up state): frames drawn into the window and CPU over 5 s.
    local before after
    before=$(CpuTicks "$programPid")
    figures[$name, fps]=$("$xframes" count "$x" "$y" "$width" "$height" 5 | awk '{print $6}')
    after=$(CpuTicks "$programPid")
    figures[$name, spincpu]=$(Calc "($after - $before) / $ticks / 5")

    # Dragging: the button held and the pointer moving to and fro, 50 moves a second.
    local cx=$((x + width / 2)) cy=$((y + height / 2)) mover
    xdotool mousemove --sync $cx $cy mousedown 1
    (for _ in $(seq 150); do xdotool mousemove $((cx + 100)) $cy sleep 0.02 mousemove $cx $cy sleep 0.02; done) &
    mover=$!
    before=$(CpuTicks "$programPid")
    figures[$name, dragfps]=$("$xframes" count "$x" "$y" "$width" "$height" 5 | awk '{print $6}')
    after=$(CpuTicks "$programPid")
    figures[$name, dragcpu]=$(Calc "($after - $before) / $ticks / 5")
    kill "$mover" 2>/dev/null || true
    wait "$mover" 2>/dev/null || true
    xdotool mouseup 1

    # A click without moving stops the mesh; then 5 s of nothing.
    xdotool mousemove --sync $((x + width / 2)) $((y + height / 2)) click 1
    sleep 1
    before=$(CpuTicks "$programPid")
    figures[$name, stillframes]=$("$xframes" count "$x" "$y" "$width" "$height" 5 | awk '{print $2}')
    after=$(CpuTicks "$programPid")
    figures[$name, stillcpu]=$(Calc "($after - $before) / $ticks")
    figures[$name, rss]=$(awk '/^VmHWM/ {print $2 / 1024}' "/proc/$programPid/status")
    StopProgram
}

IFS=: read -r -a models <<<"${TRACKVIEW_FIGURE_MODELS:-}"
columns=()
declare -A titles
if [[ -x $linuxProgram ]]; then
    SDL_VIDEODRIVER=x11 Measure linux "$linuxProgram" && columns+=(linux)
    titles[linux]="Linux, SDL"
    for model in "${models[@]}"; do
        SDL_VIDEODRIVER=x11 Measure "linux $model" "$linuxProgram" "$model" &&
            columns+=("linux $model")
        titles[linux $model]="Linux, $(basename "$model")"
    done
else
    echo "no Linux program at $linuxProgram: not measured" >&2
fi
if [[ -n $windowsProgram ]] && command -v wine >/dev/null; then
    export WINEPREFIX=$work/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot -i >/dev/null 2>&1
    # Without a window manager, Wine must not wait for one on every window shown or hidden.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
    wineserver -p # kept running: the figures are those of a warm Wine
    Measure wine wine "$windowsProgram" && columns+=(wine)
    titles[wine]="Win32 under Wine"
    for model in "${models[@]}"; do
        Measure "wine $model" wine "$windowsProgram" "$(winepath -w "$model")" &&
            columns+=("wine $model")
        titles[wine $model]="Wine, $(basename "$model")"
    done
else
    echo "no trackview.exe or no wine: the Win32 program is not measured" >&2
fi
((${#columns[@]} > 0)) || { echo "nothing measured" >&2; exit 1; }

Row()
{
    local label=$1 key=$2 format=$3 line="| $1 |"
    for c in "${columns[@]}"; do line+=" $(printf "$format" "${figures[$c, $key]}") |"; done
    echo "$line"
}
header="| $(date -u +%Y-%m-%d), $(nproc) cores, Xvfb 1280x1024x24 |"
rule="|---|"
for c in "${columns[@]}"; do header+=" ${titles[$c]} |"; rule+="---|"; done
echo "$header"
echo "$rule"
Row "start to first frame, notice answered at once (median of $starts)" start "%.2f s"
Row "of that, after the notice was answered" after "%.2f s"
Row "frames per second while spinning" fps "%.1f"
Row "CPU while spinning (cores busy)" spincpu "%.2f"
Row "frames per second while dragging" dragfps "%.1f"
Row "CPU while dragging (cores busy)" dragcpu "%.2f"
Row "CPU in 5 s while still" stillcpu "%.2f s"
Row "frames drawn in those 5 s" stillframes "%d"
Row "peak resident memory (VmHWM)" rss "%.1f MiB"
