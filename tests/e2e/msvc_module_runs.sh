#!/usr/bin/env bash
# The real host with the MSVC-ABI contract module as its game module: the module's screen, a
# green box at (100, 100)-(300, 200) painted through the host's surface record, appears, and
# Escape, routed to the module, ends the run with exit code 0.
# The start screen hands over once the up-to-date update server has said so.
# Arguments: the host executable, SPR/Start.SPR, the module, a folder to run in.
set -u
exe="$1"
start_sprites="$2"
module="$3"
folder="$4"
rm -rf "$folder"
mkdir -p "$folder/SPR"
cp "$exe" "$folder/"
cp "$start_sprites" "$folder/SPR/Start.SPR"
cp "$module" "$folder/Main.dll"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/screen_pixels.sh"
source "$(dirname "$0")/up_to_date.sh"
tidemarch_wine_prefix
start_up_to_date_server "$folder" || exit 1

timeout --kill-after=5 200 wine "$folder/$(basename "$exe")" &
pid=$!
trap 'kill "$pid" "$update_server" 2>/dev/null; wait "$pid" "$update_server" 2>/dev/null' EXIT

shot="$folder/msvc-module.png"
deadline=$((SECONDS + 120))
while :; do
    if import -window root "$shot" 2>/dev/null && [ "$(pixel "$shot" 200 150)" = "0,255,0" ] &&
        [ "$(pixel "$shot" 300 150)" = "0,0,0" ]; then break; fi
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the module's box did not appear (pixel (200,150) is $(pixel "$shot" 200 150 2>/dev/null))"
        exit 1
    fi
    sleep 0.5
done
echo "the MSVC-ABI module's screen is shown: $shot"

xdotool key Escape
wait "$pid"
status=$?
trap 'kill "$update_server" 2>/dev/null; wait "$update_server" 2>/dev/null' EXIT
if [ "$status" -ne 0 ]; then
    echo "FAIL: Escape ended the run with exit code $status"
    exit 1
fi
echo "PASS: MSVC-ABI module shown and ended by Escape with exit code 0"
