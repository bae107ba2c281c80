#!/usr/bin/env bash
# Starts the host showing its demonstration scene under Wine, moves the X pointer with xdotool and checks on screenshots
# that the host draws its arrow where the pointer is, and no longer where it was. The run has the
# frame-timing log switched on (TIDEMARCH_FRAME_LOG), whose file is checked at the end, with the
# count of the host's own live heap blocks that the log keeps.
# Arguments: the demonstration executable, a folder for the screenshots.
set -u
exe="$1"
out="$2"
mkdir -p "$out"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/screen_pixels.sh"
tidemarch_wine_prefix

log="$out/frames.log"
rm -f "$log"
TIDEMARCH_FRAME_LOG="Z:${log//\//\\}" timeout --kill-after=5 60 wine "$exe" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

# The arrow's tip is at the pointer; five rows down its outline is at +0 and its white body
# at +2. The outline's dark grey is drawn by nothing else in the scene.
white="255,255,255"
outline="16,16,16"
arrow_at() {  # image x y -> succeeds when the arrow's outline and body are at that tip
    [ "$(pixel "$1" "$2" $(($3 + 5)))" = "$outline" ] && [ "$(pixel "$1" $(($2 + 2)) $(($3 + 5)))" = "$white" ]
}

shot="$out/start.png"
deadline=$((SECONDS + 40))
while :; do
    if import -window root "$shot" 2>/dev/null && [ "$(pixel "$shot" 500 10)" = "255,0,0" ]; then break; fi
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the host's first frame did not appear"
        exit 1
    fi
    sleep 0.5
done

# Waits (bounded) until a screenshot shows the arrow at the tip given.
expect_arrow() {  # name x y
    local shot="$out/$1.png" deadline=$((SECONDS + 10))
    while :; do
        sleep 0.3
        import -window root "$shot" 2>/dev/null && arrow_at "$shot" "$2" "$3" && return 0
        if [ $SECONDS -ge $deadline ]; then
            echo "FAIL: no arrow at ($2, $3): outline $(pixel "$shot" "$2" $(($3 + 5))), body $(pixel "$shot" $(($2 + 2)) $(($3 + 5)))"
            exit 1
        fi
    done
}

xdotool mousemove 300 400
expect_arrow first 300 400
echo "arrow at (300, 400)"
xdotool mousemove 700 250
expect_arrow second 700 250
if arrow_at "$out/second.png" 300 400; then
    echo "FAIL: the arrow is still drawn at (300, 400) after the pointer moved"
    exit 1
fi
echo "PASS: the arrow follows the pointer from (300, 400) to (700, 250)"

# The frame log: its header, then one line per frame with the schedule 40 ms apart, drawn frames
# with their marks in order, and the heap count of the program's own blocks.
# It is written a second of frames at a time: wait (bounded) for two seconds of them.
deadline=$((SECONDS + 15))
while [ "$(wc -l <"$log" 2>/dev/null || echo 0)" -lt 51 ] && [ $SECONDS -lt $deadline ]; do sleep 0.5; done
header="# frame due update_start update_end draw_start draw_end present_start present_end drawn live_blocks live_bytes"
if [ "$(head -n 1 "$log" 2>/dev/null)" != "$header" ]; then
    echo "FAIL: the frame log has no header: $(head -n 1 "$log" 2>/dev/null)"
    exit 1
fi
if ! awk 'NR > 1 {
        if (NF != 11 || $1 != NR - 2) exit 1
        if (NR > 2 && $2 - due != 40) exit 1
        due = $2
        if ($9 == 1 && !($2 < $3 && $3 <= $4 && $4 <= $5 && $5 <= $6 && $6 <= $7 && $7 <= $8)) exit 1
        if ($10 !~ /^-?[0-9]+$/) exit 1
        drawn += $9
    }
    END { exit !(NR > 50 && drawn > 0) }' "$log"; then
    echo "FAIL: the frame log's lines are not frames in schedule:"
    head -n 5 "$log"
    exit 1
fi
# The host's own heap: from the second second on, every frame leaves the same live blocks.
if ! awk 'NR > 26 { if (first == "") first = $10 " " $11; else if ($10 " " $11 != first) exit 1 }' "$log"; then
    echo "FAIL: the host's live heap blocks change from frame to frame:"
    awk 'NR > 26 {print $1, $10, $11}' "$log" | uniq -f 1 | head -n 5
    exit 1
fi
echo "PASS: the frame log records $(($(wc -l <"$log") - 1)) frames; from the second second on they leave no heap block behind ($(awk 'NR == 27 {print $10 " blocks, " $11 " bytes"}' "$log"))"
