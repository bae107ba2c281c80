#!/usr/bin/env bash
# One player's journey inside a Wine session (see scripts/run.sh). Argument: seconds.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
tidemarch_wine_prefix
seconds="$1"
root="$TIDEMARCH_ROOT"
work="$root/build/journey"
release="$work/release"
install="$work/install"
rm -rf "$work"
mkdir -p "$release/SPR" "$release/Music"

# What the player downloads first, installed silently the way a player's installer puts it: the
# installer of the build's download (Tidemarch.exe, SPR/Start.SPR and the uninstaller), into the
# fresh install folder (the newest installer of the build), without shortcuts on the Linux desktop.
installer=$(ls -t "$root"/build/windows/dist/*-setup.exe | head -n 1)
if ! WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d" timeout 120 wine "$installer" /S /NoDesktopShortcut \
    "/D=$(winepath -w "$install")"; then
    echo "run: the installer $installer failed" >&2
    exit 1
fi
echo "run: installed $(basename "$installer") in $install"

# What the server's operator publishes: the game module with its sprites, some of the game's
# files, and the leftover file (scrambled with the start screen's key).
cp "$root/build/windows/src/platform/win32/shell/Main.dll" "$release/"
cp "$root/build/windows/src/platform/win32/shell/SPR/Demo.SPR" "$release/SPR/"
head -c 24000000 /dev/urandom >"$release/Music/Theme.bin"
printf 'Tidemarch release notes\r\n' >"$release/Readme.txt"
printf 'launcher:1: 2' >"$work/leftover.txt"
"$root/build/native/tools/scrambler_tool/scrambler_tool" write "$work/leftover.txt" "$release/ZVLQFVC" >/dev/null

# Small chunks, so that the progress is there to be seen on one machine. The host looks for its
# server on port 8100 only; another program holding that port is waited for a while.
server=
for _ in $(seq 1 60); do
    "$root/build/native/tools/update_server/tidemarch-update-server" --folder "$release" --address 127.0.0.1 --port 8100 \
        --chunk-size 4096 >"$work/server.log" 2>&1 &
    server=$!
    for _ in $(seq 1 50); do
        grep -q "^listening on" "$work/server.log" && break 2
        kill -0 "$server" 2>/dev/null || break
        sleep 0.1
    done
    wait "$server" 2>/dev/null
    server=
    sleep 1
done
if [ -z "$server" ]; then
    echo "run: the update server could not listen on 127.0.0.1:8100: $(cat "$work/server.log")" >&2
    exit 1
fi
echo "run: update server on 127.0.0.1:8100 serving $release"

(cd "$install" && exec timeout --kill-after=5 "$seconds" wine ./Tidemarch.exe) &
host=$!
# The progress screen, once the large file has begun to arrive.
for _ in $(seq 1 300); do
    [ -s "$install/Music/Theme.bin" ] && break
    sleep 0.1
done
sleep 0.5
import -window root "$work/progress.png" 2>/dev/null && echo "run: progress screenshot in $work/progress.png"
for _ in $(seq 1 $((seconds - 8))); do
    grep -q " complete " "$work/server.log" && break
    kill -0 "$host" 2>/dev/null || break
    sleep 1
done
sleep 3
import -window root "$work/module.png" 2>/dev/null && echo "run: module screenshot in $work/module.png"
wait "$host"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
grep "session" "$work/server.log" | sed 's/^/run: /'
echo "run: the update server is stopped"
[ "$status" -eq 124 ] && status=0
exit "$status"
