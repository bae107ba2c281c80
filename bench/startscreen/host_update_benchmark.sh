#!/usr/bin/env bash
# How long a player waits: the real host under Wine updates a fresh install folder from the
# reference update server on 127.0.0.1:8100, for several server chunk sizes, beside the plain
# socket-to-files copy of the same release by update_benchmark --copy. The host's time is the
# server's session time (first byte to last message). Prints MB/s and files/s of both and
# "target update-vs-copy <copy time / host time at the default 64 KiB chunks> 0.5".
# Run inside a Wine session:
#   bash scripts/wine/session.sh bash bench/startscreen/host_update_benchmark.sh
# Needs the windows build (Tidemarch.exe, SPR/Start.SPR) and the native-release build
# (update_server, update_benchmark). The release (about 200 MB in 2,000 files) is made by
# update_benchmark in /tmp/tidemarch_release when missing.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine/env.sh"
tidemarch_wine_prefix
release=/tmp/tidemarch_release
bench="$root/build/native-release/bench/startscreen/update_benchmark"
server="$root/build/native-release/tools/update_server/tidemarch-update-server"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -d "$release" ] || "$bench" "$release" >/dev/null
bytes=$(du -sb --apparent-size "$release" | cut -f1)
files=$(find "$release" -type f | wc -l)
printf "release: %.1f MB in %d files\n" "$(echo "$bytes / 1000000" | bc -l)" "$files"
printf "%-8s %-6s %8s %8s %8s\n" chunk client MB/s files/s seconds
ratio=0
for chunk in 16384 65536 262124; do
    "$server" --folder "$release" --address 127.0.0.1 --port 8100 --chunk-size "$chunk" >"$work/server.log" 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do grep -q "^listening on" "$work/server.log" && break; sleep 0.1; done
    rm -rf "$work/install" && mkdir -p "$work/install/SPR"
    cp "$root/build/windows/src/platform/win32/shell/Tidemarch.exe" "$work/install/"
    cp "$root/build/windows/SPR/Start.SPR" "$work/install/SPR/"
    (cd "$work/install" && timeout 600 wine ./Tidemarch.exe >/dev/null 2>&1) || true
    host=$(grep -o "complete .* time=[0-9.]*" "$work/server.log" | sed 's/.*time=//')
    rm -rf "$work/copy" && mkdir -p "$work/copy"
    copy=$("$bench" --copy 8100 "$work/copy" | awk '{print $2}')
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    for pair in "host $host" "copy $copy"; do
        set -- $pair
        printf "%-8s %-6s %8.1f %8.0f %8.2f\n" "$chunk" "$1" "$(echo "$bytes / 1000000 / $2" | bc -l)" \
            "$(echo "$files / $2" | bc -l)" "$2"
    done
    [ "$chunk" = 65536 ] && ratio=$(echo "$copy / $host" | bc -l)
done
printf "target update-vs-copy %.2f 0.5\n" "$ratio"
