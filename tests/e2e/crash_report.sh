#!/usr/bin/env bash
# The real host with a game module that faults on purpose: the host writes crash.txt, a line of
# crash-history.txt and crash.dmp beside itself, shows one message box naming the module, and
# once it is confirmed ends with the crash exit code. check_crash_report.py then checks the
# report against the module's map file. The start screen hands over once the up-to-date update
# server has said so. The "update" run has the frame log on, so its report holds recent frames.
# Arguments: the host executable, SPR/Start.SPR, the faulting module, its map file, where it
# faults (update, thread, stack, shutdown), the function the map file must place the fault in,
# the host's version, a folder to run in.
set -u
exe="$1"
start_sprites="$2"
module="$3"
map="$4"
where="$5"
function="$6"
version="$7"
folder="$8"
# The exit code of a run that ended after a fault, and of one whose crash handling faulted.
crash_exit_code=4
rm -rf "$folder"
mkdir -p "$folder/SPR"
cp "$exe" "$folder/"
cp "$start_sprites" "$folder/SPR/Start.SPR"
cp "$module" "$folder/Main.dll"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/up_to_date.sh"
tidemarch_wine_prefix
start_up_to_date_server "$folder" || exit 1

frame_log=""
[ "$where" = update ] && frame_log=frames.log
# From the run's folder, where the frame log's relative name points.
(cd "$folder" && TIDEMARCH_FRAME_LOG="$frame_log" exec timeout --kill-after=5 200 wine "./$(basename "$exe")" \
    /fault-where "$where") >"$folder/wine.log" 2>&1 &
pid=$!
trap 'kill "$pid" "$update_server" 2>/dev/null; wait "$pid" "$update_server" 2>/dev/null' EXIT

box=""
deadline=$((SECONDS + 150))
while [ -z "$box" ]; do
    box=$(xdotool search --name 'crash$' 2>/dev/null | head -1)
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: no message box whose title ends in \"crash\" appeared"
        tail -20 "$folder/wine.log"
        exit 1
    fi
    sleep 0.3
done
echo "message box shown"
# The report is complete before the box is shown.
import -window root "$folder/message-box.png" 2>/dev/null
if [ "$(xdotool search --name 'crash$' 2>/dev/null | wc -l)" -ne 1 ]; then
    echo "FAIL: more than one crash box"
    exit 1
fi
xdotool windowactivate --sync "$box" 2>/dev/null
xdotool key --window "$box" Return

wait "$pid"
status=$?
trap 'kill "$update_server" 2>/dev/null; wait "$update_server" 2>/dev/null' EXIT
if [ "$status" -ne "$crash_exit_code" ]; then
    echo "FAIL: exit code $status (expected the crash exit code $crash_exit_code)"
    exit 1
fi
echo "the run ended with exit code $status"
python3 "$(dirname "$0")/check_crash_report.py" "$folder" "$map" "$where" "$function" "$version" || exit 1
echo "PASS: a fault ($where) left a report naming $function in Main.dll, one box, and exit code $status"
