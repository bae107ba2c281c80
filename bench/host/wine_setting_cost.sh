#!/usr/bin/env bash
# What a player's own Wine prefix costs the host, and what the host's per-program Direct3D setting
# saves: a fresh prefix, made like a player's (no global Direct3D setting, as the project's test
# prefix has), then several runs of the host one after the other. Before and after each run it
# reads HKCU\Software\Wine\AppDefaults\<program>\Direct3D "csmt", which the host writes when it
# is missing, and it prints the host's processor use over the measured time as a share of one core
# (user + system time from /proc/<pid>/stat over wall time).
#   --scene demo    TidemarchDemo.exe showing its demonstration scene (default)
#   --scene start   Tidemarch.exe's start screen with no update server (it retries, then shows
#                   its failure text; it draws every frame all along)
#   --exe PATH      another build of the scene's executable (an older host, to compare)
#   --preset VALUE  the value the prefix holds before the first run (a player's own choice,
#                   which the host leaves alone: 1 shows the cost with the thread running)
#   --runs N (3), --seconds N (15, measured), --warm-up N (4)
# Target lines are "higher is better":
#   target first-run-host-cpu-headroom <0.12 / share of the first run> 1
#   target later-run-host-cpu-headroom <0.12 / highest share of the later runs> 1
# Usage, inside a Wine session (the display):
#   bash scripts/wine/session.sh bash bench/host/wine_setting_cost.sh [options]
# Needs the windows build. The prefix is made under build/bench-wine-setting and removed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine/env.sh"

scene=demo
exe=
preset=
runs=3
seconds=15
warm_up=4
while [ $# -gt 0 ]; do
    case "$1" in
    --scene) scene="$2"; shift 2 ;;
    --exe) exe="$2"; shift 2 ;;
    --preset) preset="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --seconds) seconds="$2"; shift 2 ;;
    --warm-up) warm_up="$2"; shift 2 ;;
    *) echo "usage: wine_setting_cost.sh [--scene demo|start] [--exe PATH] [--preset VALUE] [--runs N] [--seconds N] [--warm-up N]" >&2; exit 2 ;;
    esac
done
shell_dir="$root/build/windows/src/platform/win32/shell"
case "$scene" in
demo) program=TidemarchDemo.exe ;;
start) program=Tidemarch.exe ;;
*) echo "wine_setting_cost: unknown scene $scene" >&2; exit 2 ;;
esac
[ -n "$exe" ] || exe="$shell_dir/$program"
[ -f "$exe" ] || { echo "wine_setting_cost: $exe is missing (build the windows preset)" >&2; exit 1; }

work="$root/build/bench-wine-setting"
folder="$work/game"
ticks=$(getconf CLK_TCK)
setting_key="HKCU\\Software\\Wine\\AppDefaults\\$program\\Direct3D"

host_pid=
cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    wait 2>/dev/null || true
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# The player's prefix: the project's runtime settings (quiet, no Mono or Gecko, null sound) but a
# prefix of its own and a home folder of its own, so that nothing reaches the user's desktop.
rm -rf "$work"
mkdir -p "$work/home" "$folder/SPR"
export HOME="$work/home"
export WINEPREFIX="$work/prefix"
timeout 180 wineboot -i >/dev/null 2>&1 || true
timeout 60 wineserver -w || true
if grep -q '^"csmt"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    echo "wine_setting_cost: the fresh prefix already holds a csmt setting" >&2
    exit 1
fi
cp "$exe" "$folder/$program"
cp "$root/build/windows/SPR/Start.SPR" "$folder/SPR/"
if [ -n "$preset" ]; then
    timeout 60 wine reg add "$setting_key" /v csmt /t REG_DWORD /d "$preset" /f >/dev/null 2>&1
fi

# The setting's value as "reg" prints it, or "missing".
setting() {
    local found
    found=$(timeout 60 wine reg query "$setting_key" /v csmt 2>/dev/null || true)
    awk '$1 == "csmt" {print $3; found=1} END {if (!found) print "missing"}' <<<"$found"
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
find_host() {
    local pid
    for pid in $(pgrep -f -- "$folder/$program" || true); do
        case "$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" in
        timeout* | bash* | "") ;;
        *) echo "$pid"; return 0 ;;
        esac
    done
    return 1
}

# The start screen looks for its server on port 8100, which the end-to-end tests of every
# checkout share under this lock: the run must not meet another run's server.
if [ "$scene" = start ]; then
    exec 8>/tmp/tidemarch-update-port-8100.lock
    flock 8
fi

echo "machine: $(lscpu | awk -F: '/Model name/ {gsub(/^ +/, "", $2); print $2}'), $(nproc) cores; $(wine --version)"
echo "prefix: fresh, no global Direct3D setting; program $program; $seconds s measured after $warm_up s"
shares=()
for run in $(seq 1 "$runs"); do
    before=$(setting)
    (cd "$folder" && exec timeout --kill-after=5 $((seconds + warm_up + 60)) wine "$folder/$program" >/dev/null 2>&1) &
    host_pid=$!
    pid=
    for _ in $(seq 1 300); do
        pid=$(find_host || true)
        [ -n "$pid" ] && break
        sleep 0.1
    done
    [ -n "$pid" ] || { echo "wine_setting_cost: the host did not start" >&2; exit 1; }
    sleep "$warm_up"
    c0=$(cpu_ticks "$pid")
    t0=$(date +%s.%N)
    sleep "$seconds"
    c1=$(cpu_ticks "$pid")
    t1=$(date +%s.%N)
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
    host_pid=
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    after=$(setting)
    share=$(awk -v c0="$c0" -v c1="$c1" -v t0="$t0" -v t1="$t1" -v hz="$ticks" 'BEGIN {printf "%.3f", (c1 - c0) / hz / (t1 - t0)}')
    shares+=("$share")
    echo "run $run: csmt before $before, after $after; host $share of a core"
done
awk -v first="${shares[0]}" 'BEGIN {printf "target first-run-host-cpu-headroom %.2f 1\n", 0.12 / (first > 0.001 ? first : 0.001)}'
if [ "$runs" -gt 1 ]; then
    printf '%s\n' "${shares[@]:1}" | sort -g | tail -n 1 |
        awk '{printf "target later-run-host-cpu-headroom %.2f 1\n", 0.12 / ($1 > 0.001 ? $1 : 0.001)}'
fi
