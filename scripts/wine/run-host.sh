#!/usr/bin/env bash
# Runs the host executable for a bounded time inside a Wine session and takes a screenshot
# shortly before the end. Arguments: seconds, then the host's own command line.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
seconds="$1"
shift
exe="$TIDEMARCH_ROOT/build/windows/src/shell/Tidemarch.exe"
shot="$TIDEMARCH_ROOT/build/run-screenshot.png"
timeout --kill-after=5 "$seconds" wine "$exe" "$@" &
pid=$!
if [ "$seconds" -gt 6 ]; then
    sleep $((seconds - 3))
    import -window root "$shot" 2>/dev/null && echo "run: screenshot in $shot"
fi
wait "$pid"
status=$?
# 124: the run was ended by its time bound, which is the normal end here.
[ "$status" -eq 124 ] && status=0
exit "$status"
