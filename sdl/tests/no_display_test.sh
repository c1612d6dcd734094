#!/usr/bin/env bash
# trackview without a display: it must say so on stderr and end with code 1, not run unseen on
# SDL's offscreen driver or hang.
# usage: no_display_test.sh TRACKVIEW
set -u
trackview=$1
failed=0

Expect() { # NAME ENV-ARGS...: runs trackview under env with the arguments given
    local name=$1
    shift
    local err status
    err=$(env "$@" timeout 20 "$trackview" 2>&1 >/dev/null)
    status=$?
    if [[ $status -ne 1 || "$err" != *"no display"* ]]; then
        echo "FAIL ($name): exit code $status, stderr: $err" >&2
        failed=1
    else
        echo "ok ($name): $err"
    fi
}

# SDL looks for a Wayland compositor's default socket even without WAYLAND_DISPLAY.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime

# No DISPLAY at all: SDL would quietly fall back to its offscreen driver.
Expect "no DISPLAY" -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER

# A DISPLAY that names no server.
free=200
while [[ -e /tmp/.X11-unix/X$free || -e /tmp/.X$free-lock ]]; do free=$((free + 1)); done
Expect "no X server" -u WAYLAND_DISPLAY DISPLAY=":$free" SDL_VIDEODRIVER=x11
exit $failed
