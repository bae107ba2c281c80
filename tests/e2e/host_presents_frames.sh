#!/usr/bin/env bash
# Starts the real host under Wine on the session's display, waits (bounded) until its first
# frame is on the screen, and checks the picture: the band across the top in its colour, a
# moving picture below it (two screenshots differ), and the rest cleared to black.
# Arguments: the host executable, a folder for the screenshots.
set -u
exe="$1"
out="$2"
mkdir -p "$out"
# Its own folder, without a game module: the host shows its demonstration scene.
mkdir -p "$out/host"
rm -f "$out/host/Main.dll"
cp "$exe" "$out/host/"
exe="$out/host/$(basename "$exe")"
source "$(dirname "$0")/../../scripts/wine/env.sh"
tidemarch_wine_prefix

timeout --kill-after=5 60 wine "$exe" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

pixel() {  # prints "r,g,b" of pixel ($2, $3) of image $1, 8 bits per channel
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

first="$out/first.png"
deadline=$((SECONDS + 40))
while :; do
    if import -window root "$first" 2>/dev/null && [ "$(pixel "$first" 500 10)" = "255,0,0" ]; then break; fi
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the host's first frame did not appear (pixel (500,10) is $(pixel "$first" 500 10 2>/dev/null))"
        exit 1
    fi
    sleep 0.5
done
echo "first frame seen: band pixel (500,10) = $(pixel "$first" 500 10)"

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

band=$(pixel "$second" 3 3)
if [ "$band" != "255,0,0" ]; then
    echo "FAIL: band pixel (3,3) is $band"
    exit 1
fi
# Below the band there is black and the picture's few colours; without the clear before each
# frame the moving picture would smear its edges across the screen in many more.
colours=$(convert "$second" -crop 1024x744+0+24 -unique-colors -format "%w" info:)
if [ "$colours" -gt 40 ]; then
    echo "FAIL: $colours colours below the band: the background is not being cleared"
    exit 1
fi
echo "PASS: band, moving picture and cleared background ($colours colours below the band)"
