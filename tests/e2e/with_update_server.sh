#!/usr/bin/env bash
# Runs a command while the reference update server serves a release folder on 127.0.0.1:8100,
# where the host's start screen looks for it, and stops the server afterwards. With an empty
# release folder the server sends nothing and the start screen hands over to the game module at
# once. Arguments: the update_server executable, the release folder, --, the command.
set -u
server="$1"
release="$2"
shift 3
mkdir -p "$release"
log=$(mktemp)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; rm -f "$log"' EXIT
# Port 8100 is the only one the host knows; another run holding it is waited for a while.
for _ in $(seq 1 60); do
    : >"$log"
    "$server" --folder "$release" --address 127.0.0.1 --port 8100 --close-delay 1 >"$log" 2>&1 &
    pid=$!
    for _ in $(seq 1 50); do
        grep -q "^listening on" "$log" && break 2
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    wait "$pid" 2>/dev/null
    pid=
    sleep 1
done
if [ -z "$pid" ]; then
    echo "FAIL: the update server did not start:"
    cat "$log"
    exit 1
fi
"$@"
