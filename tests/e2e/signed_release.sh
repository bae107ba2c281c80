#!/usr/bin/env bash
# A host built with the test release key (tests/fixtures/release_keys) against the reference update
# server on 127.0.0.1:8100, each run from a fresh install folder holding only Tidemarch.exe and
# SPR/Start.SPR. The release's Main.dll marks its loading in the install folder and then lacks
# "AllocScreen", so a hand-over shows the "Game module" box.
#   1. a release signed with the test key arrives, passes and is handed over (the module loaded);
#   2. to 7. a changed byte in Main.dll, a listed file missing, a manifest signed with another key,
#      a lower release number than the one accepted in run 1, a truncated manifest, and no manifest:
#      each shows the "Release check" box with the file and the reason, ends with exit code 6,
#      and never loads Main.dll.
# Arguments: the signed test host, SPR/Start.SPR, update_server, release_sign, the marker module,
# the key folder, a work folder.
set -u
exe="$1" start_sprites="$2" server="$3" release_sign="$4" module="$5" keys="$6" work="$7"
source "$(dirname "$0")/../../scripts/wine/env.sh"
tidemarch_wine_prefix

rm -rf "$work"
mkdir -p "$work"
release="$work/release"
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

server_pid=
host_pid=
server_log="$work/server.log"
stop_server() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    server_pid=
}
trap '[ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null; stop_server' EXIT
start_server() {  # port 8100 held by another run is waited for
    for _ in $(seq 1 60); do
        : >"$server_log"
        "$server" --folder "$release" --address 127.0.0.1 --port 8100 --close-delay 1 --rescan 0 >>"$server_log" 2>&1 &
        server_pid=$!
        for _ in $(seq 1 50); do
            grep -q "^listening on" "$server_log" && return 0
            kill -0 "$server_pid" 2>/dev/null || break
            sleep 0.1
        done
        wait "$server_pid" 2>/dev/null
        sleep 1
    done
    fail "the update server did not start: $(cat "$server_log")"
    return 1
}

# The release a run serves: the marker module, sprites and a data file, signed as release $1 with
# the key $2 (a file of the key folder).
make_release() {
    rm -rf "$release"
    mkdir -p "$release/SPR"
    cp "$module" "$release/Main.dll"
    head -c 200000 /dev/urandom >"$release/SPR/Demo.SPR"
    printf 'release notes\r\n' >"$release/Readme.txt"
    "$release_sign" --key "$keys/$2" --folder "$release" --version "$1" >/dev/null ||
        fail "release_sign could not sign release $1"
}

# Runs the host in a fresh install folder until its message box appears, confirms the box and
# waits for the end. Sets box_title, box_text, exit_code and install.
run_host() {  # name
    install="$work/$1"
    rm -rf "$install"
    mkdir -p "$install/SPR"
    cp "$exe" "$install/Tidemarch.exe"
    cp "$start_sprites" "$install/SPR/Start.SPR"
    local log="$work/$1.wine.log"
    (cd "$install" && WINEDEBUG=-all,+msgbox exec timeout --kill-after=5 120 wine ./Tidemarch.exe) >"$log" 2>&1 &
    host_pid=$!
    box_title= box_text= exit_code=
    local box= deadline=$((SECONDS + 90))
    while [ -z "$box" ] && [ $SECONDS -lt $deadline ] && kill -0 "$host_pid" 2>/dev/null; do
        for title in "Release check" "Game module"; do
            box=$(xdotool search --name "^$title\$" 2>/dev/null | head -1)
            [ -n "$box" ] && box_title="$title" && break
        done
        sleep 0.3
    done
    if [ -n "$box" ]; then
        sleep 0.5
        import -window root "$work/$1.png" 2>/dev/null
        xdotool windowactivate --sync "$box" 2>/dev/null
        xdotool key --window "$box" Return
    fi
    wait "$host_pid"
    exit_code=$?
    host_pid=
    box_text=$(grep -a "MSGBOX_OnInit" "$log" | tail -1)
}

# A run that must be refused: $1 name, $2 the file named, $3 a part of the reason.
expect_refused() {
    run_host "$1"
    [ "$box_title" = "Release check" ] || fail "$1: no \"Release check\" box (box: '$box_title')"
    [ "$exit_code" -eq 6 ] || fail "$1: exit code $exit_code, expected 6"
    [ -e "$install/module-loaded" ] && fail "$1: Main.dll was loaded"
    case "$box_text" in
    *"File: $2\\nReason: "*"$3"*) echo "$1: refused: $(echo "$box_text" | sed 's/.*Reason: //')" ;;
    *) fail "$1: the box does not name \"$2\" and \"$3\": $box_text" ;;
    esac
}

wine reg delete 'HKLM\Software\Zeq\TIDEMARCHRUSSIA' /v AcceptedRelease /f >/dev/null 2>&1

# 1. The signed release.
make_release 5 test_release_private.pem
start_server || exit 1
run_host good
[ "$box_title" = "Game module" ] || fail "good: no hand-over (box: '$box_title', $box_text)"
[ -e "$install/module-loaded" ] || fail "good: Main.dll was not loaded"
cmp -s "$release/Release.manifest" "$install/Release.manifest" || fail "good: the manifest did not arrive"
accepted=$(wine reg query 'HKLM\Software\Zeq\TIDEMARCHRUSSIA' /v AcceptedRelease 2>/dev/null | tr -d '\r' |
    awk '/AcceptedRelease/ {print $NF}')
[ "$accepted" = 5 ] || fail "good: the registry keeps release '$accepted', expected 5"
[ $failures -eq 0 ] && echo "good: handed over, release 5 accepted"

# 2. The server sends a Main.dll with one byte changed.
printf '\x01' | dd of="$release/Main.dll" bs=1 seek=1000 conv=notrunc 2>/dev/null
expect_refused changed-byte Main.dll "the content differs from the signed release"

# 3. A listed file is not sent.
make_release 6 test_release_private.pem
rm "$release/SPR/Demo.SPR"
expect_refused missing-file SPR/Demo.SPR "the file is missing"

# 4. Another operator's key.
make_release 6 other_release_private.pem
expect_refused other-key Release.manifest "signed with another key"

# 5. An older release than the one accepted in run 1.
make_release 4 test_release_private.pem
expect_refused rollback Release.manifest "release 4 is older than release 5"

# 6. A manifest cut short.
make_release 6 test_release_private.pem
head -c 150 "$release/Release.manifest" >"$work/cut" && mv "$work/cut" "$release/Release.manifest"
expect_refused truncated-manifest Release.manifest "the manifest is malformed"

# 7. No manifest at all.
make_release 6 test_release_private.pem
rm "$release/Release.manifest"
expect_refused no-manifest Release.manifest "the release has no signed manifest"

stop_server
if [ $failures -ne 0 ]; then
    echo "FAILED: $failures"
    exit 1
fi
echo "PASS: the signed release was handed over and every changed release refused"
