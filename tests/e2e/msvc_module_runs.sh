#!/usr/bin/env bash
# The real host with the MSVC-ABI contract module as its game module: the module's screen, a
# green box at (100, 100)-(300, 200) painted through the host's surface record, appears, and
# Escape, routed to the module, ends the run with exit code 0.
# Arguments: the host executable, the module, a folder to run in.
set -u
exe="$1"
module="$2"
folder="$3"
rm -rf "$folder"
mkdir -p "$folder"
cp "$exe" "$folder/"
cp "$module" "$folder/Main.dll"
source "$(dirname "$0")/../../scripts/wine/env.sh"
tidemarch_wine_prefix

timeout --kill-after=5 60 wine "$folder/$(basename "$exe")" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}
shot="$folder/msvc-module.png"
deadline=$((SECONDS + 40))
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
trap - EXIT
if [ "$status" -ne 0 ]; then
    echo "FAIL: Escape ended the run with exit code $status"
    exit 1
fi
echo "PASS: MSVC-ABI module shown and ended by Escape with exit code 0"
