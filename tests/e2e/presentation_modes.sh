#!/usr/bin/env bash
# The presentation modes of the real host under Wine, on the session's desktop (a TIDEMARCH_SCREEN
# display of scripts/wine/session.sh). The demonstration scene's red band covers the game's rows
# 0-23 across its whole width, so the box around its pure red pixels on a screenshot tells where the
# picture is and how large: each mode is checked by it. Parts:
#   1080    at 1920x1080: borderless fit and integer with their bars, the framed window, the host's
#           arrow under a pointer moved by xdotool, Alt+Enter to full screen and back, smooth
#           blending against nearest's exact colours, a refused setting (message box, debugger
#           text, full screen), and the demonstration module taking a click at a scaled point
#   720     at 1280x720, smaller than the game: every form falls back to fitting the desktop; the
#           setting read from the registry; the module's click; Alt+Enter there and back
#   blocks  at 2560x1600: borderless x2, each game pixel a 2x2 block of exactly its colour
# Arguments: the part, the demonstration executable, the host executable, SPR/Start.SPR, Main.dll,
# SPR/Demo.SPR, a folder for screenshots and logs.
set -u
part="$1"
demo="$2"
host="$3"
start_sprites="$4"
module="$5"
demo_sprites="$6"
out="$7"
rm -rf "$out"
mkdir -p "$out"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/screen_pixels.sh"
source "$(dirname "$0")/up_to_date.sh"
tidemarch_wine_prefix

read -r desktop_w desktop_h < <(xdotool getdisplaygeometry)
echo "desktop ${desktop_w}x${desktop_h}"
game_w=1024
game_h=768
band_game_rows=24
outline="16,16,16"
white="255,255,255"
sail="240,240,225"

pid=""
update_server=""
stop() {
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    fi
    pid=""
}
trap 'stop; [ -n "$update_server" ] && kill "$update_server" 2>/dev/null' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# The picture fitted to a space, as the host places it: "width height left top".
fit() {
    local w=$1 h=$2 pw ph
    if [ $((w * game_h)) -le $((h * game_w)) ]; then
        pw=$w
        ph=$(((2 * w * game_h + game_w) / (2 * game_w)))
    else
        ph=$h
        pw=$(((2 * h * game_w + game_h) / (2 * game_h)))
    fi
    echo "$pw $ph $(((w - pw) / 2)) $(((h - ph) / 2))"
}
# How many screen rows show the band in a picture of the given height.
band_rows() { echo $(((band_game_rows * $1 + game_h - 1) / game_h)); }

# "width height left top" of the box around the pure red pixels of a screenshot.
band() { convert "$1" -fill black +opaque "rgb(255,0,0)" -trim -format '%w %h %X %Y\n' info: 2>/dev/null | tr -d '+'; }

# Starts the demonstration with a display setting (the environment variable; "-" leaves it unset).
run_demo() {
    local name="$1" setting="$2"
    if [ "$setting" = "-" ]; then
        WINEDEBUG=+debugstr env -u TIDEMARCH_DISPLAY timeout --kill-after=5 120 wine "$demo" >"$out/$name.log" 2>&1 &
    else
        TIDEMARCH_DISPLAY="$setting" WINEDEBUG=+debugstr timeout --kill-after=5 120 wine "$demo" >"$out/$name.log" 2>&1 &
    fi
    pid=$!
}

# Waits (bounded) until a screenshot shows the band as expected ("width height left top").
expect_band() {
    local name="$1" expected="$2" deadline=$((SECONDS + 45)) got=""
    while :; do
        if import -window root "$out/$name.png" 2>/dev/null; then
            got=$(band "$out/$name.png")
            [ "$got" = "$expected" ] && { echo "$name: band $got"; return 0; }
        fi
        [ $SECONDS -ge $deadline ] && fail "$name: the band is \"$got\", expected \"$expected\" (width height left top)"
        kill -0 "$pid" 2>/dev/null || fail "$name: the host ended"
        sleep 0.5
    done
}

# The first screen offset that shows game coordinate g of a picture side (game length, picture
# length), or nothing when the picture, smaller than the game, leaves that game pixel out.
shown() {
    local g=$1 game=$2 side=$3 s
    s=$(((g * side + game - 1) / game))
    [ $((s * game / side)) -eq "$g" ] && echo "$s"
}
# The game coordinate under a screen offset into a picture side, held to the picture's edges.
game_at() {
    local s=$1 game=$2 side=$3 g
    [ "$s" -lt 0 ] && s=0
    g=$((s * game / side))
    [ "$g" -ge "$game" ] && g=$((game - 1))
    echo "$g"
}

# Picks a pointer position inside the picture from which the host's arrow (its outline 5 rows
# below the tip, its white body 2 columns right of that) and the demonstration module's ship sail
# (13 right of and 4 above the click) are all drawn on screen, and sets the names below.
pick_pointer() {
    local left=$1 top=$2 pw=$3 ph=$4 sx sy gx gy
    for sx in $(seq $((left + pw * 45 / 100)) $((left + pw * 55 / 100))); do
        for sy in $(seq $((top + ph * 45 / 100)) 3 $((top + ph * 55 / 100))); do
            gx=$(game_at $((sx - left)) $game_w "$pw")
            gy=$(game_at $((sy - top)) $game_h "$ph")
            outline_x=$(shown "$gx" $game_w "$pw") body_x=$(shown $((gx + 2)) $game_w "$pw")
            outline_y=$(shown $((gy + 5)) $game_h "$ph")
            sail_x=$(shown $((gx + 13)) $game_w "$pw") sail_y=$(shown $((gy - 4)) $game_h "$ph")
            if [ -n "$outline_x" ] && [ -n "$body_x" ] && [ -n "$outline_y" ] && [ -n "$sail_x" ] && [ -n "$sail_y" ]; then
                pointer_x=$sx pointer_y=$sy pointer_game="$gx,$gy"
                outline_x=$((left + outline_x)) body_x=$((left + body_x)) outline_y=$((top + outline_y))
                sail_x=$((left + sail_x)) sail_y=$((top + sail_y))
                return 0
            fi
        done
    done
    fail "no pointer position shows the arrow whole in a ${pw}x${ph} picture"
}

# The pointer moved to a scaled position: the arrow is drawn at the game position under it.
check_arrow() {
    local name="$1" deadline=$((SECONDS + 15))
    xdotool mousemove "$pointer_x" "$pointer_y"
    while :; do
        sleep 0.3
        import -window root "$out/$name.png" 2>/dev/null &&
            [ "$(pixel "$out/$name.png" "$outline_x" "$outline_y")" = "$outline" ] &&
            [ "$(pixel "$out/$name.png" "$body_x" "$outline_y")" = "$white" ] && break
        [ $SECONDS -ge $deadline ] &&
            fail "$name: pointer at ($pointer_x, $pointer_y), game $pointer_game: no arrow at ($outline_x, $outline_y): $(pixel "$out/$name.png" "$outline_x" "$outline_y"), body $(pixel "$out/$name.png" "$body_x" "$outline_y")"
    done
    echo "$name: pointer at ($pointer_x, $pointer_y) draws the arrow at game $pointer_game"
}

# Alt+Enter to full screen (the game's own size at the desktop's corner) and back to the form.
# Wine cannot set the game's display mode on these desktops; on one smaller than the game, full
# screen then shows nothing (the picture does not fit the desktop-sized flipping chain the
# display gets), and only the form's picture going away is seen.
check_alt_enter() {
    local name="$1" form_band="$2"
    xdotool key alt+Return
    if [ "$desktop_h" -ge "$game_h" ]; then
        expect_band "$name-full-screen" "$game_w $band_game_rows 0 0"
    else
        expect_band "$name-full-screen" "1 1 -1 -1"
    fi
    xdotool key alt+Return
    expect_band "$name-back" "$form_band"
}

# The demonstration module behind the start screen and an up-to-date server: a click at a scaled
# point places the ship there, in game coordinates.
check_module_click() {
    local name="$1" setting="$2" left=$3 top=$4 pw=$5 ph=$6
    local folder="$out/$name-run"
    mkdir -p "$folder/SPR"
    cp "$host" "$folder/"
    cp "$start_sprites" "$folder/SPR/Start.SPR"
    cp "$module" "$folder/Main.dll"
    cp "$demo_sprites" "$folder/SPR/Demo.SPR"
    start_up_to_date_server "$folder" || exit 1
    TIDEMARCH_DISPLAY="$setting" timeout --kill-after=5 150 wine "$folder/$(basename "$host")" >"$folder/host.log" 2>&1 &
    pid=$!
    # The board's gold frame at game (273, 235) once it has come to rest.
    local frame="210,190,120" fx fy deadline=$((SECONDS + 120))
    fx=$((left + $(shown 273 $game_w "$pw"))) fy=$((top + $(shown 235 $game_h "$ph")))
    while :; do
        import -window root "$folder/board.png" 2>/dev/null && near "$(pixel "$folder/board.png" "$fx" "$fy")" "$frame" 12 && break
        [ $SECONDS -ge $deadline ] && fail "$name: the module's board did not appear at ($fx, $fy)"
        kill -0 "$pid" 2>/dev/null || fail "$name: the host ended"
        sleep 0.5
    done
    # The pointer is moved first and given time to arrive; a click that a loaded machine's X
    # server and Wine deliver before the module takes input is given again every 5 s.
    xdotool mousemove "$pointer_x" "$pointer_y"
    sleep 0.5
    xdotool click 1
    deadline=$((SECONDS + 15))
    local next_click=$((SECONDS + 5))
    while :; do
        sleep 0.3
        if [ $SECONDS -ge $next_click ]; then
            xdotool mousemove "$pointer_x" "$pointer_y" click 1
            next_click=$((SECONDS + 5))
        fi
        import -window root "$folder/after-click.png" 2>/dev/null &&
            near "$(pixel "$folder/after-click.png" "$sail_x" "$sail_y")" "$sail" 12 && break
        [ $SECONDS -ge $deadline ] &&
            fail "$name: the click at ($pointer_x, $pointer_y) did not place the ship at game $pointer_game (sail pixel ($sail_x, $sail_y) is $(pixel "$folder/after-click.png" "$sail_x" "$sail_y"))"
    done
    echo "$name: a click at ($pointer_x, $pointer_y) reached the module at game $pointer_game"
    stop
    kill "$update_server" 2>/dev/null
    wait "$update_server" 2>/dev/null
    update_server=""
}

# Whether a column of screen pixels holds a colour between pure red and black (a blend).
has_blend() {
    local shot="$1" x="$2" from="$3" to="$4" y
    for y in $(seq "$from" "$to"); do
        case "$(pixel "$shot" "$x" "$y")" in
        "255,0,0" | "0,0,0") ;;
        *,0,0) return 0 ;;
        esac
    done
    return 1
}

case "$part" in
1080)
    read -r pw ph left top < <(fit "$desktop_w" "$desktop_h")
    fitted_band="$pw $(band_rows "$ph") $left $top"
    run_demo borderless-fit "borderless fit nearest"
    expect_band borderless-fit "$fitted_band"
    [ "$(pixel "$out/borderless-fit.png" $((left - 1)) 5)" = "0,0,0" ] || fail "no black bar left of the picture"
    [ "$(pixel "$out/borderless-fit.png" $((left + pw)) 5)" = "0,0,0" ] || fail "no black bar right of the picture"
    has_blend "$out/borderless-fit.png" $((left + pw / 2)) 0 $((top + ph / 10)) && fail "nearest shows blended colours"
    pick_pointer "$left" "$top" "$pw" "$ph"
    check_arrow borderless-arrow
    check_alt_enter borderless "$fitted_band"
    check_arrow borderless-arrow-after-alt-enter
    stop

    run_demo smooth "borderless fit smooth"
    expect_band smooth "$pw $(($(band_rows "$ph") - 1)) $left $top"
    has_blend "$out/smooth.png" $((left + pw / 2)) 0 $((top + ph / 10)) || fail "smooth shows no blended colours at the band's edge"
    echo "smooth: the band's edge is blended"
    stop

    # The largest whole multiple that fits 1920x1080 is 1: the game's own pixels, centred.
    run_demo borderless-integer "BORDERLESS integer"
    expect_band borderless-integer "$game_w $band_game_rows $(((desktop_w - game_w) / 2)) $(((desktop_h - game_h) / 2))"
    stop

    # A framed window at the game's size: its client area is the picture.
    run_demo window "window x1"
    deadline=$((SECONDS + 45))
    while :; do
        import -window root "$out/window.png" 2>/dev/null && read -r bw bh bx by < <(band "$out/window.png") &&
            [ "${bw:-0}" = "$game_w" ] && [ "${bh:-0}" = "$band_game_rows" ] && break
        [ $SECONDS -ge $deadline ] && fail "window: the band is \"$(band "$out/window.png")\", expected ${game_w}x$band_game_rows"
        sleep 0.5
    done
    [ "$bx" -gt 0 ] && [ "$by" -gt 0 ] && [ $((bx + game_w)) -lt "$desktop_w" ] || fail "window: the picture at ($bx, $by) is not inside the desktop"
    echo "window: the picture at its own size at ($bx, $by)"
    check_alt_enter window "$game_w $band_game_rows $bx $by"
    stop

    # A word the host does not know: a message box says what is accepted, and full screen is used.
    run_demo refused "borderless huge"
    deadline=$((SECONDS + 45))
    until box=$(xdotool search --name "Tidemarch display setting" 2>/dev/null | head -n 1) && [ -n "$box" ]; do
        [ $SECONDS -ge $deadline ] && fail "refused: no message box"
        sleep 0.5
    done
    for said in 'huge\\" is not one of its words' 'fullscreen, window or borderless; then x1, x2, fit or integer; then nearest or smooth' \
        'The default is used instead: fullscreen'; do
        grep -q "debugstr.*$said" "$out/refused.log" || fail "refused: the debugger output does not say \"$said\": $(grep debugstr "$out/refused.log" | head -n 4)"
    done
    eval "$(xdotool getwindowgeometry --shell "$box")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT - 21)) click 1
    expect_band refused "$game_w $band_game_rows 0 0"
    echo "refused: the message box named the accepted words; the host runs full screen"
    stop

    check_module_click module "borderless" "$left" "$top" "$pw" "$ph"
    ;;
720)
    # Smaller than the game: integer and x1 fall back to fitting the desktop.
    read -r pw ph left top < <(fit "$desktop_w" "$desktop_h")
    fitted_band="$pw $(band_rows "$ph") $left $top"
    timeout 60 wine reg add 'HKLM\Software\Zeq\TIDEMARCHRUSSIA' /v Display /t REG_SZ /d 'borderless integer' /f >/dev/null 2>&1 ||
        fail "could not write the registry value"
    run_demo registry -
    expect_band registry "$fitted_band"
    echo "registry: \"borderless integer\" from the edition's key, fitted to the desktop"
    pick_pointer "$left" "$top" "$pw" "$ph"
    check_arrow registry-arrow
    check_alt_enter registry "$fitted_band"
    stop
    timeout 60 wine reg delete 'HKLM\Software\Zeq\TIDEMARCHRUSSIA' /v Display /f >/dev/null 2>&1

    run_demo window "window x1"
    deadline=$((SECONDS + 45))
    while :; do
        import -window root "$out/window.png" 2>/dev/null && read -r bw bh bx by < <(band "$out/window.png") &&
            [ "${bw:-0}" -gt "$band_game_rows" ] && [ "${bw:-0}" -lt "$game_w" ] && break
        [ $SECONDS -ge $deadline ] && fail "window: the band is \"$(band "$out/window.png")\", expected a picture narrower than the game"
        sleep 0.5
    done
    # The window's picture is fitted to the desktop less the frame, whole on the desktop.
    wh=$(((2 * bw * game_h + game_w) / (2 * game_w)))
    [ "$bh" = "$(band_rows "$wh")" ] || fail "window: a ${bw}-wide picture should show $(band_rows "$wh") band rows, not $bh"
    [ $((by + wh)) -le "$desktop_h" ] && [ $((bx + bw)) -le "$desktop_w" ] || fail "window: the picture passes the desktop's edge"
    echo "window: x1 fitted to ${bw}x$wh at ($bx, $by)"
    stop

    check_module_click module "borderless fit" "$left" "$top" "$pw" "$ph"
    ;;
blocks)
    pw=$((2 * game_w)) ph=$((2 * game_h)) left=$(((desktop_w - 2 * game_w) / 2)) top=$(((desktop_h - 2 * game_h) / 2))
    run_demo doubled "borderless x2 nearest"
    expect_band doubled "$pw $((2 * band_game_rows)) $left $top"
    # Every 2x2 block is one colour: the picture shrunk by taking one pixel of each block and
    # grown again by repeating it is the picture itself.
    for attempt in 1 2 3; do
        import -window root "$out/blocks.png" 2>/dev/null || continue
        convert "$out/blocks.png" -crop "${pw}x${ph}+${left}+${top}" +repage "$out/picture.png"
        convert "$out/picture.png" -sample 50% -sample 200% "$out/resampled.png"
        differing=$(compare -metric AE "$out/picture.png" "$out/resampled.png" null: 2>&1)
        [ "$differing" = "0" ] && break
    done
    [ "$differing" = "0" ] || fail "blocks: $differing screen pixels differ from their 2x2 block"
    echo "blocks: each game pixel is a 2x2 block of one colour"
    stop
    ;;
*) fail "unknown part $part" ;;
esac
echo "PASS: presentation modes ($part)"
