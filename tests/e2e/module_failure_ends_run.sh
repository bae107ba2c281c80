#!/usr/bin/env bash
# A Main.dll that cannot be used: the host shows a message box titled "Game module" and, once it
# is confirmed, ends with a non-zero exit code, without opening a screen or crashing.
# The start screen hands over once the up-to-date update server has said so.
# Arguments: the host executable, SPR/Start.SPR, the broken library (or "garbage" for a file that is no library),
# a folder to run in.
set -u
exe="$1"
start_sprites="$2"
module="$3"
folder="$4"
rm -rf "$folder"
mkdir -p "$folder/SPR"
cp "$exe" "$folder/"
cp "$start_sprites" "$folder/SPR/Start.SPR"
if [ "$module" = garbage ]; then
    printf 'MZ but not a library at all' >"$folder/Main.dll"
else
    cp "$module" "$folder/Main.dll"
fi
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/up_to_date.sh"
tidemarch_wine_prefix
start_up_to_date_server "$folder" || exit 1

timeout --kill-after=5 200 wine "$folder/$(basename "$exe")" &
pid=$!
trap 'kill "$pid" "$update_server" 2>/dev/null; wait "$pid" "$update_server" 2>/dev/null' EXIT

box=""
deadline=$((SECONDS + 120))
while [ -z "$box" ]; do
    box=$(xdotool search --name '^Game module$' 2>/dev/null | head -1)
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: no message box titled \"Game module\" appeared"
        exit 1
    fi
    sleep 0.3
done
echo "message box shown"
import -window root "$folder/message-box.png" 2>/dev/null
xdotool windowactivate --sync "$box" 2>/dev/null
xdotool key --window "$box" Return

wait "$pid"
status=$?
trap 'kill "$update_server" 2>/dev/null; wait "$update_server" 2>/dev/null' EXIT
if [ "$status" -eq 0 ] || [ "$status" -ge 124 ]; then
    echo "FAIL: exit code $status (expected the hand-over failure's non-zero code)"
    exit 1
fi
echo "PASS: the run ended with exit code $status"
