#!/usr/bin/env bash
# The real host's start screen under Wine against the reference update server on 127.0.0.1:8100,
# from a fresh install folder that holds only what a player downloads first (Tidemarch.exe and
# SPR/Start.SPR):
#   1. the release (the demonstration module, its sprites, a scrambled leftover file, a large file
#      sent in small chunks so the progress screen can be seen) arrives byte for byte with the
#      release's write times, and the host hands over to the module (screenshots kept);
#   2. a second run sends nothing;
#   3. a session cut off in the middle of a file (a scripted server) is repaired by the next run;
#   4. hostile names and an oversize chunk change nothing outside the install folder;
#   5. a refusing server: the refusal picture, and a click ends the run;
#   6. no server: three attempts, then the failure text in Cyrillic (screenshot), and a key ends
#      the run.
# Arguments: Tidemarch.exe, SPR/Start.SPR, update_server, scrambler_tool, the hostile server
# script, a work folder, and when the build has them, Main.dll and SPR/Demo.SPR.
set -u
exe="$1" start_sprites="$2" server="$3" scrambler="$4" hostile="$5" work="$6" module="${7:-}" demo_sprites="${8:-}"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/screen_pixels.sh"
tidemarch_wine_prefix

rm -rf "$work"
mkdir -p "$work"
install="$work/game/Tidemarch"
release="$work/release"
shots="$work/screenshots"
mkdir -p "$install/SPR" "$release/SPR" "$release/Music" "$shots"
cp "$exe" "$install/Tidemarch.exe"
cp "$start_sprites" "$install/SPR/Start.SPR"
echo "outside the install folder" >"$work/game/beside.txt"

if [ -f "$module" ] && [ -f "$demo_sprites" ]; then
    cp "$module" "$release/Main.dll"
    cp "$demo_sprites" "$release/SPR/Demo.SPR"
fi
head -c 3000000 /dev/urandom >"$release/Music/Theme.bin"
printf 'release notes\r\n' >"$release/Readme.txt"
: >"$release/Empty.txt"
printf 'launcher:1: 2' >"$work/leftover.txt"
"$scrambler" write "$work/leftover.txt" "$release/ZVLQFVC" >/dev/null
touch -d "2021-03-16 08:30:45.500" "$release/Readme.txt" "$release/Empty.txt"
touch -d "2020-09-13 12:26:40" "$release/Music/Theme.bin"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

server_pid=
server_log="$work/server.log"
start_server() {  # options for the reference server; port 8100 held by another run is waited for
    for _ in $(seq 1 60); do
        : >"$server_log"
        "$server" --folder "$release" --address 127.0.0.1 --port 8100 --close-delay 1 "$@" >>"$server_log" 2>&1 &
        server_pid=$!
        for _ in $(seq 1 50); do
            grep -q "^listening on" "$server_log" && return 0
            kill -0 "$server_pid" 2>/dev/null || break
            sleep 0.1
        done
        wait "$server_pid" 2>/dev/null
        sleep 1
    done
    fail "the update server did not start: $(cat "$server_log")"
    return 1
}
start_hostile() {  # scenario
    : >"$server_log"
    python3 "$hostile" --scenario "$1" --port 8100 --timeout 60 >>"$server_log" 2>&1 &
    server_pid=$!
    for _ in $(seq 1 100); do grep -q "^listening on" "$server_log" && return 0; sleep 0.1; done
    fail "the hostile server did not start: $(cat "$server_log")"
    return 1
}
stop_server() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    server_pid=
}

host_pid=
start_host() {
    (cd "$install" && exec timeout --kill-after=5 120 wine "$install/Tidemarch.exe") &
    host_pid=$!
}
stop_host() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    wait "$host_pid" 2>/dev/null
    host_pid=
    timeout 20 wineserver -k 2>/dev/null
}
host_ends_within() {  # seconds; true when the host ended by itself
    local deadline=$((SECONDS + $1))
    while kill -0 "$host_pid" 2>/dev/null; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.2
    done
    wait "$host_pid" 2>/dev/null
    host_pid=
    return 0
}
wait_for_log() {  # text, seconds
    local deadline=$((SECONDS + $2))
    until grep -q "$1" "$server_log"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.2
    done
}
trap 'stop_host; stop_server' EXIT

bright_pixels() {  # image, crop geometry: pixels brighter than mid grey
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 50% -format "%[fx:int(mean*w*h+0.5)]" info:
}

same_tree() {  # release file relative path
    local path="$1"
    if ! cmp -s "$release/$path" "$install/$path"; then
        fail "$path differs from the release"
    elif [ "$(stat -c %Y "$release/$path")" != "$(stat -c %Y "$install/$path")" ]; then
        fail "$path has write time $(stat -c %y "$install/$path"), the release $(stat -c %y "$release/$path")"
    fi
}

# 1. A fresh install folder is updated and hands over to the module.
echo "--- fresh install"
start_server --chunk-size 2048
start_host
progress_seen=
deadline=$((SECONDS + 60))
until wait_for_log "complete" 0 && [ -n "$progress_seen" ]; do
    if [ -z "$progress_seen" ] && [ -s "$install/Music/Theme.bin" ]; then
        import -window root "$shots/progress.png" 2>/dev/null && progress_seen=1
    fi
    [ $SECONDS -ge $deadline ] && break
    sleep 0.1
done
wait_for_log "complete" 1 || fail "the update did not complete: $(cat "$server_log")"
[ -n "$progress_seen" ] || fail "no screenshot of the progress screen"
# The start screen hands over: the module's screen replaces it (the start screen is black above
# its status picture), or without a module the run ends.
sleep 4
import -window root "$shots/after-update.png" 2>/dev/null
if kill -0 "$host_pid" 2>/dev/null && [ "$(bright_pixels "$shots/after-update.png" 1024x600+0+0)" -lt 1000 ]; then
    fail "the start screen stayed after the update"
fi
for path in $(cd "$release" && find . -type f | sed 's|^\./||'); do same_tree "$path"; done
stop_host
stop_server

# 2. A second run sends nothing.
echo "--- second run"
start_server
start_host
wait_for_log "complete" 40 || fail "the second update did not complete"
grep -q "files=0/0" "$server_log" || fail "the second run was sent files: $(grep session "$server_log")"
stop_host
stop_server

# 3. A session cut off in the middle of a file; the next run repairs it.
echo "--- disconnection in the middle of a file"
head -c 1000 /dev/urandom >"$release/part.bin"
start_hostile disconnect
start_host
deadline=$((SECONDS + 30))
until [ "$(stat -c %s "$install/part.bin" 2>/dev/null)" = 500 ] || [ $SECONDS -ge $deadline ]; do sleep 0.2; done
[ "$(stat -c %s "$install/part.bin" 2>/dev/null)" = 500 ] || fail "the cut-off file is not 500 bytes"
stop_host
stop_server
start_server
start_host
wait_for_log "complete" 40 || fail "the repairing update did not complete"
same_tree part.bin
stop_host
stop_server

# 4. Hostile names and an oversize chunk.
echo "--- hostile server"
before=$(cd "$work/game" && find . -path ./Tidemarch -prune -o -print | sort)
start_hostile hostile
start_host
# Each refused file is reported in a message box; Enter closes each.
deadline=$((SECONDS + 40))
until [ -f "$install/good.txt" ] && [ -f "$install/big.txt" ] || [ $SECONDS -ge $deadline ]; do
    xdotool key Return 2>/dev/null
    sleep 0.5
done
for _ in $(seq 1 6); do xdotool key Return 2>/dev/null; sleep 0.3; done
[ "$(cat "$install/good.txt" 2>/dev/null)" = GOOD ] || fail "good.txt did not arrive"
[ -f "$install/big.txt" ] && [ ! -s "$install/big.txt" ] || fail "the oversize chunk was written"
after=$(cd "$work/game" && find . -path ./Tidemarch -prune -o -print | sort)
[ "$before" = "$after" ] || fail "something changed beside the install folder: $after"
ls "$install" | grep -qiE "escaped|^con|^nul|drive|trailing" && fail "a hostile name was created: $(ls "$install")"
stop_host
stop_server

# 5. A refusing server: the refusal picture, then a click ends the run.
echo "--- refused session"
start_server --refuse
start_host
wait_for_log "refused" 30 || fail "the session was not refused"
sleep 1
import -window root "$shots/refused.png" 2>/dev/null
xdotool mousemove 500 400 click 1 2>/dev/null
host_ends_within 10 || fail "a click did not end the refused run"
stop_host
stop_server

# 6. No server: three attempts of 4 s, then the failure text; a key ends the run.
echo "--- no server"
start_host
sleep 16
import -window root "$shots/no-server.png" 2>/dev/null
text=$(bright_pixels "$shots/no-server.png" 560x30+220+195)
[ "$text" -gt 100 ] || fail "no failure text at (227, 200) after three attempts ($text bright pixels)"
kill -0 "$host_pid" 2>/dev/null || fail "the host ended before a key was pressed"
xdotool key a 2>/dev/null
host_ends_within 10 || fail "a key did not end the run after the failure text"
stop_host

echo "screenshots in $shots"
[ "$failures" -eq 0 ] && echo "PASS: start screen journeys" && exit 0
exit 1
