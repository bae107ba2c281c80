#!/usr/bin/env bash
# The real host with the demonstration module beside it: the module's screen appears (a
# screenshot is kept), a scripted click and keys reach it, it connects to a server named on its
# command line and says hello, and Escape ends the run with exit code 0.
# The start screen hands over once the up-to-date update server has said so.
# Arguments: the host executable, SPR/Start.SPR, Main.dll, SPR/Demo.SPR, a folder to run in.
set -u
exe="$1"
start_sprites="$2"
module="$3"
sprites="$4"
folder="$5"
rm -rf "$folder"
mkdir -p "$folder/SPR"
cp "$exe" "$folder/"
cp "$start_sprites" "$folder/SPR/Start.SPR"
cp "$module" "$folder/Main.dll"
cp "$sprites" "$folder/SPR/Demo.SPR"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/screen_pixels.sh"
source "$(dirname "$0")/up_to_date.sh"
tidemarch_wine_prefix
start_up_to_date_server "$folder" || exit 1

# A server that records the first message it receives.
python3 - "$folder" <<'PY' &
import socket, struct, sys, os
folder = sys.argv[1]
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(1)
with open(os.path.join(folder, "port"), "w") as f:
    f.write(str(server.getsockname()[1]))
server.settimeout(200)
connection, _ = server.accept()
connection.settimeout(30)
data = b""
while len(data) < 20:
    chunk = connection.recv(4096)
    if not chunk:
        break
    data += chunk
magic, message_id, a, b, length = struct.unpack("<IIIII", data[:20])
with open(os.path.join(folder, "hello"), "w") as f:
    f.write("%08x %08x %d" % (magic, message_id, length))
# An answer, which the module counts.
connection.sendall(struct.pack("<IIIII", 0x01020304, 0x80027002, 0, 0, 0))
connection.recv(1)
PY
server=$!
for _ in $(seq 1 50); do [ -s "$folder/port" ] && break; sleep 0.1; done
port=$(cat "$folder/port")

timeout --kill-after=5 200 wine "$folder/$(basename "$exe")" /demo-server "127.0.0.1:$port" &
pid=$!
trap 'kill "$pid" "$server" "$update_server" 2>/dev/null; wait "$pid" "$update_server" 2>/dev/null' EXIT

# The board rests at (272, 234); its frame is a light gold.
shot="$folder/demo-screen.png"
frame="210,190,120"
deadline=$((SECONDS + 120))
while :; do
    if import -window root "$shot" 2>/dev/null && near "$(pixel "$shot" 273 235)" "$frame" 12 &&
        near "$(pixel "$shot" 750 532)" "$frame" 12; then break; fi
    if [ $SECONDS -ge $deadline ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "FAIL: the module's board did not come to rest (pixel (273,235) is $(pixel "$shot" 273 235 2>/dev/null))"
        exit 1
    fi
    sleep 0.5
done
echo "the module's screen is shown: $shot"

# A click places the ship with its top left 32, 24 above and left of the point: its sail, white,
# lies 45, 20 into the ship.
xdotool mousemove 400 330 click 1
sail="240,240,225"
deadline=$((SECONDS + 10))
while :; do
    sleep 0.3
    import -window root "$folder/after-click.png" 2>/dev/null || continue
    near "$(pixel "$folder/after-click.png" 413 326)" "$sail" 12 && break
    if [ $SECONDS -ge $deadline ]; then
        echo "FAIL: the click did not move the ship (pixel (413,326) is $(pixel "$folder/after-click.png" 413 326))"
        exit 1
    fi
done
echo "the click reached the module"
# Eight steps to the right with the arrow key.
for _ in 1 2 3 4 5 6 7 8; do xdotool key Right; done
deadline=$((SECONDS + 10))
while :; do
    sleep 0.3
    import -window root "$folder/after-keys.png" 2>/dev/null || continue
    near "$(pixel "$folder/after-keys.png" 477 326)" "$sail" 12 && break
    if [ $SECONDS -ge $deadline ]; then
        echo "FAIL: the keys did not move the ship (pixel (477,326) is $(pixel "$folder/after-keys.png" 477 326))"
        exit 1
    fi
done
echo "the keys reached the module"

for _ in $(seq 1 50); do [ -s "$folder/hello" ] && break; sleep 0.2; done
hello=$(cat "$folder/hello" 2>/dev/null)
if [ "${hello%% *}" != "01020304" ] || [ "$(echo "$hello" | cut -d' ' -f2)" != "80027001" ]; then
    echo "FAIL: the server did not receive the module's hello (got \"$hello\")"
    exit 1
fi
echo "the module connected and said hello: $hello"

xdotool key Escape
wait "$pid"
status=$?
trap 'kill "$server" "$update_server" 2>/dev/null; wait "$update_server" 2>/dev/null' EXIT
if [ "$status" -ne 0 ]; then
    echo "FAIL: Escape ended the run with exit code $status"
    exit 1
fi
echo "PASS: demonstration module shown, driven by input, connected, and ended by Escape with exit code 0"
