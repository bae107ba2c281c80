#!/usr/bin/env bash
# Runs a command inside a Wine session of the project: an Xvfb display at 1024x768 with 16-bit
# depth when no DISPLAY is given, the private prefix, and at the end every Wine process of the
# prefix and the display ended, whatever the command did.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"

xvfb_pid=""
cleanup() {
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 130); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x16 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.05
        done
        if kill -0 "$xvfb_pid" 2>/dev/null; then
            export DISPLAY=":$n"
            break
        fi
        xvfb_pid=""
    done
    [ -n "${DISPLAY:-}" ] || { echo "session: could not start Xvfb" >&2; exit 1; }
fi

tidemarch_wine_prefix
"$@"
