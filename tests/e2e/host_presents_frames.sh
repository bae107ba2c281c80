#!/usr/bin/env bash
# Starts the real host under Wine on the session's display with no update server, waits (bounded)
# until its first frame is on the screen, and checks the picture: the start screen's status box
# in its colour, the waiting bar advancing (two screenshots differ), and the rest cleared to black.
# Arguments: the host executable, SPR/Start.SPR, a folder to run in.
set -u
exe="$1"
sprites="$2"
out="$3"
rm -rf "$out"
mkdir -p "$out/SPR"
cp "$exe" "$out/Tidemarch.exe"
cp "$sprites" "$out/SPR/Start.SPR"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/screen_pixels.sh"
tidemarch_wine_prefix

(cd "$out" && exec timeout --kill-after=5 60 wine ./Tidemarch.exe) &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

# The status box of SPR/Start.SPR at (410, 671) is a dark blue.
box="16,52,90"
first="$out/first.png"
deadline=$((SECONDS + 40))
while :; do
    if import -window root "$first" 2>/dev/null && near "$(pixel "$first" 500 690)" "$box" 8; then break; fi
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the host's first frame did not appear (pixel (500,690) is $(pixel "$first" 500 690 2>/dev/null))"
        exit 1
    fi
    sleep 0.5
done
echo "first frame seen: status box pixel (500,690) = $(pixel "$first" 500 690)"

second="$out/second.png"
deadline=$((SECONDS + 10))
while :; do
    sleep 0.3
    import -window root "$second" 2>/dev/null || continue
    difference=$(compare -metric AE "$first" "$second" null: 2>&1 || true)
    [ "${difference%% *}" != "0" ] && break
    if [ $SECONDS -ge $deadline ]; then
        echo "FAIL: the picture did not change: frames are not being presented"
        exit 1
    fi
done
echo "frames are presented: $difference pixels changed between screenshots"

# Above the start screen's controls everything is cleared to black.
colours=$(convert "$second" -crop 1024x660+0+0 -unique-colors -format "%w" info:)
if [ "$colours" -ne 1 ] || [ "$(pixel "$second" 10 10)" != "0,0,0" ]; then
    echo "FAIL: $colours colours above the start screen's controls: the background is not cleared"
    exit 1
fi
echo "PASS: status box, advancing bar and cleared background"
