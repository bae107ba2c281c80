#!/usr/bin/env bash
# Runs a command inside a Wine session of the project: an Xvfb display at 1024x768 with 16-bit
# depth when no DISPLAY is given, the private prefix, and at the end every Wine process of the
# prefix and the display ended, whatever the command did.
# TIDEMARCH_SCREEN=WIDTHxHEIGHTxDEPTH (for example 1920x1080x24) asks for a display of that size:
# a private Xvfb is started even when a DISPLAY is given, and Wine processes already running in
# the prefix are ended first, so that Wine takes its desktop from the new display.
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

screen="${TIDEMARCH_SCREEN:-}"
if [ -n "$screen" ]; then
    if ! [[ "$screen" =~ ^[0-9]+x[0-9]+x(8|15|16|24)$ ]]; then
        echo "session: TIDEMARCH_SCREEN must be WIDTHxHEIGHTxDEPTH (depth 8, 15, 16 or 24), not \"$screen\"" >&2
        exit 2
    fi
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    unset DISPLAY
fi
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 130); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 "${screen:-1024x768x16}" -nolisten tcp >/dev/null 2>&1 &
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
