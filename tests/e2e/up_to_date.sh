# Sourced by the game-module runs: starts the up-to-date update server on 127.0.0.1:8100, where
# the start screen looks for it, so that the host hands over to Main.dll at once. Sets
# update_server to its process id; the caller ends it. Another program's server may hold the
# port for a while (other runs on the same machine): the start waits for it, bounded.
start_up_to_date_server() {
    local log="$1/update-server.log"
    local deadline=$((SECONDS + 120))
    while [ $SECONDS -lt $deadline ]; do
        python3 "$(dirname "${BASH_SOURCE[0]}")/up_to_date_server.py" --sessions 3 --timeout 150 >"$log" 2>&1 &
        update_server=$!
        for _ in $(seq 1 100); do
            grep -q "^listening on" "$log" 2>/dev/null && return 0
            kill -0 "$update_server" 2>/dev/null || break
            sleep 0.1
        done
        grep -q "Address already in use" "$log" || break
        sleep 1
    done
    echo "FAIL: the update server did not start:"
    cat "$log"
    return 1
}
