#!/usr/bin/env bash
# What a running host costs a player's machine: the real host under Wine on the session's display
# for a fixed time, in up to three scenes:
#   demo     TidemarchDemo.exe showing its demonstration scene (no server)
#   update   Tidemarch.exe's start screen while an update server sends it a large file at a
#            steady 2 MB/s in 4 KiB chunks (paced_update_server.py)
#   module   Tidemarch.exe handing over at once to the demonstration module (Main.dll)
#   still    Tidemarch.exe's start screen with no update server, after its attempts: a still
#            picture (measured from 14 s after the start)
# --display SETTING shows the host in a presentation mode (TIDEMARCH_DISPLAY, for example
# "borderless fit"); the scene's name in the figures then carries the setting's words.
# For each scene it prints the processor use of the host process, of Wine's server and of the X
# server as a share of one core (from /proc/<pid>/stat), the frames presented per second and the
# intervals between presented frames (median, p99, max, from the host's frame log, which the run
# switches on with TIDEMARCH_FRAME_LOG), and the host's resident memory at the start and end of
# the measured time with its growth per second. `target` lines are "higher is better":
#   target <scene>-host-cpu-headroom <goal / measured share of a core> 1
#       (goal: the host uses at most 0.12 of a core; 1 or more meets it)
#   target <scene>-frame-p99 <(interval + 2 ms) / p99 interval> 1
#       (goal: the 99th percentile of the intervals is within 2 ms of the frame interval)
# Usage, inside a Wine session:
#   bash scripts/wine/session.sh bash bench/host/run_cost.sh [--seconds N] [--warm-up N] [--display SETTING] [SCENE...]
# On a desktop of another size than the session's default, for example:
#   TIDEMARCH_SCREEN=1920x1080x24 bash scripts/wine/session.sh bash bench/host/run_cost.sh --display borderless demo
# Default: 20 s measured after 4 s of warm-up, every scene. --seconds 80 shows memory over a long
# run (resident memory is sampled every second into <work>/<scene>-rss.txt).
# Needs the windows build.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine/env.sh"
tidemarch_wine_prefix

seconds=20
warm_up=4
scenes=()
display=""
while [ $# -gt 0 ]; do
    case "$1" in
    --seconds) seconds="$2"; shift 2 ;;
    --warm-up) warm_up="$2"; shift 2 ;;
    --display) display="$2"; shift 2 ;;
    demo | update | module | still) scenes+=("$1"); shift ;;
    *) echo "usage: run_cost.sh [--seconds N] [--warm-up N] [--display SETTING] [demo|update|module|still]..." >&2; exit 2 ;;
    esac
done
[ ${#scenes[@]} -gt 0 ] || scenes=(demo update module)

shell_dir="$root/build/windows/src/platform/win32/shell"
work="${TIDEMARCH_BENCH_WORK:-$root/build/bench-run-cost}"
ticks=$(getconf CLK_TCK)
mkdir -p "$work"

# The processor time (user + system, in clock ticks) of a process; 0 once it is gone.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }

# The process whose command line names the given path (the host's copy in its run folder).
find_host() {
    local folder="$1" pid
    for pid in $(pgrep -f -- "$folder" || true); do
        # The Windows process itself, not the time bound or the shell that started it.
        case "$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" in
        timeout* | bash* | "") ;;
        *) echo "$pid"; return 0 ;;
        esac
    done
    return 1
}

# The Wine server of this prefix: the one whose working folder is the prefix's server folder,
# named after the prefix's device and inode.
find_wineserver() {
    local suffix pid
    suffix="/server-$(stat -c '%D' "$WINEPREFIX" | sed 's/^0*//')-$(printf '%x' "$(stat -c '%i' "$WINEPREFIX")")"
    for pid in $(pgrep wineserver || true); do
        case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in
        *"$suffix") echo "$pid"; return 0 ;;
        esac
    done
    echo ""
}

find_xserver() { pgrep -f -- "^Xvfb $DISPLAY( |$)" | head -n 1 || true; }

server_pid=
host_pid=
drain_pid=
cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    [ -n "$drain_pid" ] && kill "$drain_pid" 2>/dev/null
    wait 2>/dev/null || true
}
trap cleanup EXIT

# Sound at the real rate: ALSA's file plugin writes what the host plays into a FIFO, which
# sound_drain.py empties at the stream's byte rate (the null device of the tests' runtime takes
# samples several times faster than real time, and Wine's mixer works that much harder).
sound_fifo="$work/sound.fifo"
rm -f "$sound_fifo"
mkfifo "$sound_fifo"
cat >"$work/asound.conf" <<ALSA
pcm.!default {
    type file
    slave.pcm { type null }
    file "$sound_fifo"
    format "wav"
}
ctl.!default {
    type hw
    card 0
}
ALSA
python3 "$root/bench/host/sound_drain.py" "$sound_fifo" &
drain_pid=$!

# Prepares the run folder of a scene and starts what it needs besides the host; sets exe to the
# executable's name.
prepare_scene() {
    local scene="$1" folder="$2"
    rm -rf "$folder"
    mkdir -p "$folder/SPR"
    case "$scene" in
    demo)
        cp "$shell_dir/TidemarchDemo.exe" "$folder/"
        exe=TidemarchDemo.exe
        ;;
    update)
        cp "$shell_dir/Tidemarch.exe" "$folder/"
        cp "$root/build/windows/SPR/Start.SPR" "$folder/SPR/"
        # One large file at a steady 2 MB/s in 4 KiB chunks, for longer than the measured time.
        start_server "$folder" python3 "$root/bench/host/paced_update_server.py" --seconds $((seconds + warm_up + 30))
        exe=Tidemarch.exe
        ;;
    still)
        # Nothing listens on port 8100 (the lock is held): the start screen's attempts fail.
        cp "$shell_dir/Tidemarch.exe" "$folder/"
        cp "$root/build/windows/SPR/Start.SPR" "$folder/SPR/"
        exe=Tidemarch.exe
        ;;
    module)
        cp "$shell_dir/Tidemarch.exe" "$folder/"
        cp "$root/build/windows/SPR/Start.SPR" "$folder/SPR/"
        cp "$shell_dir/Main.dll" "$folder/"
        cp "$shell_dir/SPR/Demo.SPR" "$folder/SPR/"
        start_server "$folder" python3 "$root/tests/e2e/up_to_date_server.py" --sessions 3 --timeout 600
        exe=Tidemarch.exe
        ;;
    esac
}

# Starts a server that prints "listening on" once it listens on port 8100 (another run's server
# may hold the port for a while).
start_server() {
    local folder="$1"
    shift
    local deadline=$((SECONDS + 60))
    while [ $SECONDS -lt $deadline ]; do
        "$@" >"$folder/server.log" 2>&1 &
        server_pid=$!
        for _ in $(seq 1 100); do
            grep -q "^listening on" "$folder/server.log" 2>/dev/null && return 0
            kill -0 "$server_pid" 2>/dev/null || break
            sleep 0.1
        done
        sleep 1
    done
    echo "run_cost: the server did not start: $(cat "$folder/server.log")" >&2
    exit 1
}

# The scenes with a server take port 8100, which the end-to-end tests of every checkout on the
# machine share under this lock.
port_lock=/tmp/tidemarch-update-port-8100.lock

# One line: processor ticks of the host, the Wine server and the X server (0 for one not found),
# the wall clock and the host's resident kilobytes.
snapshot() {  # host pid, wineserver pid, X server pid
    local wineserver_ticks=0 xserver_ticks=0
    [ -n "$2" ] && wineserver_ticks=$(cpu_ticks "$2")
    [ -n "$3" ] && xserver_ticks=$(cpu_ticks "$3")
    echo "$(cpu_ticks "$1") $wineserver_ticks $xserver_ticks $(date +%s.%N) $(rss_kb "$1")"
}

run_scene() {
    local scene="$1"
    local folder="$work/$scene"
    if [ "$scene" != demo ]; then
        exec 8>"$port_lock"
        flock 8
    fi
    prepare_scene "$scene" "$folder"
    local log="$folder/frames.log"
    local rss="$work/$scene-rss.txt"
    (cd "$folder" && ALSA_CONFIG_PATH="$work/asound.conf" TIDEMARCH_FRAME_LOG="Z:${log//\//\\}" TIDEMARCH_DISPLAY="$display" exec timeout --kill-after=5 $((seconds + warm_up + 60)) \
        wine "$folder/$exe" >/dev/null 2>&1) &
    host_pid=$!
    local pid=
    for _ in $(seq 1 300); do
        pid=$(find_host "$folder/$exe" || true)
        [ -n "$pid" ] && break
        sleep 0.1
    done
    [ -n "$pid" ] || { echo "run_cost: the host of scene $scene did not start" >&2; exit 1; }
    # The scene proper begins when the server says so: the file is arriving, or the start screen
    # has been told the update is finished and hands over to the module.
    local begun=
    case "$scene" in
    update) begun="update started" ;;
    module) begun="update finished" ;;
    esac
    if [ -n "$begun" ]; then
        for _ in $(seq 1 300); do
            grep -q "^$begun" "$folder/server.log" && break
            sleep 0.1
        done
        grep -q "^$begun" "$folder/server.log" || { echo "run_cost: scene $scene did not begin" >&2; exit 1; }
    fi
    # Three connection attempts of 4 s, then the start screen's message stays.
    if [ "$scene" = still ]; then sleep 14; fi
    sleep "$warm_up"
    local wineserver xserver
    wineserver=$(find_wineserver)
    xserver=$(find_xserver)
    local h0 w0 x0 t0 r0
    read -r h0 w0 x0 t0 r0 < <(snapshot "$pid" "$wineserver" "$xserver")
    : >"$rss"
    for i in $(seq 1 "$seconds"); do
        sleep 1
        echo "$i $(rss_kb "$pid")" >>"$rss"
    done
    local h1 w1 x1 t1 r1
    read -r h1 w1 x1 t1 r1 < <(snapshot "$pid" "$wineserver" "$xserver")
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
    host_pid=
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=
    fi
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    [ "$scene" != demo ] && exec 8>&-
    local label="$scene"
    [ -n "$display" ] && label="$scene-$(echo "$display" | tr -s ' ' '-')"
    python3 "$root/bench/host/frame_log_summary.py" --scene "$label" --ticks "$ticks" \
        --cpu "$h0" "$h1" "$w0" "$w1" "$x0" "$x1" --wall "$t0" "$t1" --rss "$r0" "$r1" \
        --warm-up "$warm_up" --seconds "$seconds" "$log"
}

echo "display: $(xdotool getdisplaygeometry 2>/dev/null | tr ' ' x), setting \"${display:-fullscreen}\""
echo "machine: $(lscpu | awk -F: '/Model name/ {gsub(/^ +/, "", $2); print $2}'), $(nproc) cores; $(wine --version)"
for scene in "${scenes[@]}"; do
    run_scene "$scene"
done
