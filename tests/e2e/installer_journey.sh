#!/usr/bin/env bash
# The player's installer under Wine, in a fresh prefix of its own (made here, removed at the end,
# with a home folder of its own so that nothing reaches the user's desktop or menus):
#   1. a silent install into a folder that holds someone's files is refused and changes nothing;
#   2. a silent install for the current user puts Tidemarch.exe and SPR/Start.SPR (the zip's
#      copies) and the uninstaller in the user's program folder, a Start menu entry and a desktop
#      shortcut, registers the uninstaller with the build's name and version, and writes Wine's
#      per-program Direct3D setting;
#   3. the installed host, started by its Windows path from another folder with that setting
#      removed, writes the setting again, runs its update against the reference server and hands
#      over to the game module the update brought (screenshot kept);
#      installing again into that folder (an upgrade) is accepted and keeps the update's files;
#   4. the registered quiet uninstall removes the program folder's files, the update's included,
#      the shortcuts, the registration, the Direct3D setting and the update server address the
#      host wrote, and leaves a player's file deeper in the folder and a folder beside it;
#   5. a silent install for all users without a desktop shortcut goes to Program Files and
#      registers under HKEY_LOCAL_MACHINE; an uninstaller started for the other mode removes
#      nothing; the registered one removes it all but an update server address somebody changed.
# Arguments: the installer, the zip, update_server, Main.dll, SPR/Demo.SPR, a work folder, the
# version, the game's name and the built-in update server address.
set -u
installer="$1" zip="$2" server="$3" module="$4" demo_sprites="$5" work="$6" version="$7" game="$8" default_server="$9"
source "$(dirname "$0")/../../scripts/wine/env.sh"
source "$(dirname "$0")/screen_pixels.sh"
registry="$(dirname "$0")/wine_registry.py"

rm -rf "$work"
mkdir -p "$work/home" "$work/zip" "$work/release/SPR" "$work/release/Music" "$work/screenshots"
export HOME="$work/home"
export WINEPREFIX="$work/prefix"
# Shortcuts become .lnk files only, not desktop entries of the Linux user.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
drive="$WINEPREFIX/drive_c"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

server_pid=
host_pid=
cleanup() {
    [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    wait 2>/dev/null
    timeout 20 wineserver -k 2>/dev/null
    rm -rf "$WINEPREFIX" "$work/home"
}
trap cleanup EXIT

# Every Wine process of the prefix has ended and the server has written the registry files.
settle() { timeout 120 wineserver -w; }
user_reg() { python3 "$registry" "$WINEPREFIX/user.reg" "$@"; }
system_reg() { python3 "$registry" "$WINEPREFIX/system.reg" "$@"; }
unix_path() {  # a C: path of the prefix
    local path="${1//\\//}"
    echo "$drive/${path#[Cc]:/}"
}
listing() { (cd "$1" && find . -mindepth 1 | sort | tr '\n' ' '); }

uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\'"$game"
wine_program_key='Software\Wine\AppDefaults\Tidemarch.exe'
server_key='Software\Zeq\TIDEMARCHRUSSIA'

python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work/zip"
downloaded="$work/zip/$game"

echo "--- a fresh prefix"
timeout 180 wineboot -i >/dev/null 2>&1
settle
[ -f "$WINEPREFIX/user.reg" ] || { echo "FAIL: wineboot made no prefix"; exit 1; }
user_reg 'Software\Wine\Direct3D' csmt >/dev/null && fail "the fresh prefix has a global Direct3D setting"

echo "--- 1. a folder holding someone's files is refused"
mkdir -p "$drive/Games/Occupied"
echo "someone's notes" >"$drive/Games/Occupied/notes.txt"
timeout 120 wine "$installer" /S '/D=C:\Games\Occupied'
status=$?
settle
[ "$status" -eq 2 ] || fail "the refused install ended with $status, not 2"
[ "$(listing "$drive/Games/Occupied")" = "./notes.txt " ] || fail "the refused install changed the folder: $(listing "$drive/Games/Occupied")"
user_reg "$uninstall_key" && fail "the refused install registered an uninstaller"

echo "--- 2. silent install for the current user"
timeout 120 wine "$installer" /S
status=$?
settle
[ "$status" -eq 0 ] || fail "the install ended with $status"
location=$(user_reg "$uninstall_key" InstallLocation) || { echo "FAIL: no uninstaller registered for the user"; exit 1; }
install=$(unix_path "$location")
echo "installed in $location"
case "$install" in
"$drive"/users/*/AppData/Local/Programs/"$game") ;;
*) fail "the per-user install is not in the user's program folder: $location" ;;
esac
[ "$(listing "$install")" = "./SPR ./SPR/Start.SPR ./Tidemarch.exe ./Uninstall.exe " ] || fail "the program folder holds $(listing "$install")"
cmp -s "$install/Tidemarch.exe" "$downloaded/Tidemarch.exe" || fail "Tidemarch.exe is not the zip's"
cmp -s "$install/SPR/Start.SPR" "$downloaded/SPR/Start.SPR" || fail "SPR/Start.SPR is not the zip's"
user_menu=$(echo "$drive"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs)
user_desktop=$(dirname "$install" | sed 's|/AppData/Local/Programs$|/Desktop|')
[ -f "$user_menu/$game.lnk" ] || fail "no Start menu entry in $user_menu"
[ -f "$user_desktop/$game.lnk" ] || fail "no desktop shortcut in $user_desktop"
[ "$(user_reg "$uninstall_key" DisplayName)" = "$game" ] || fail "DisplayName is $(user_reg "$uninstall_key" DisplayName)"
[ "$(user_reg "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is $(user_reg "$uninstall_key" DisplayVersion)"
quiet=$(user_reg "$uninstall_key" QuietUninstallString)
[ "$quiet" = "\"$location\\Uninstall.exe\" /CurrentUser /S" ] || fail "QuietUninstallString is $quiet"
[ "$(user_reg "$wine_program_key\\Direct3D" csmt)" = dword:00000000 ] || fail "the installer did not write the Direct3D setting"
user_reg 'Software\Wine\Direct3D' csmt >/dev/null && fail "the installer wrote the global Direct3D setting"

echo "--- 3. the installed host updates and hands over"
timeout 60 wine reg delete "HKCU\\$wine_program_key" /f >/dev/null 2>&1
settle
user_reg "$wine_program_key" && fail "the Direct3D setting could not be removed for the host's run"
cp "$module" "$work/release/Main.dll"
cp "$demo_sprites" "$work/release/SPR/Demo.SPR"
head -c 200000 /dev/urandom >"$work/release/Music/Theme.bin"
printf 'release notes\r\n' >"$work/release/Readme.txt"
server_log="$work/server.log"
for _ in $(seq 1 60); do
    : >"$server_log"
    "$server" --folder "$work/release" --address 127.0.0.1 --port 8100 --close-delay 1 >"$server_log" 2>&1 &
    server_pid=$!
    for _ in $(seq 1 50); do
        grep -q "^listening on" "$server_log" && break 2
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.1
    done
    wait "$server_pid" 2>/dev/null
    server_pid=
    sleep 1
done
[ -n "$server_pid" ] || { echo "FAIL: the update server did not start: $(cat "$server_log")"; exit 1; }
(cd "$work" && exec timeout --kill-after=5 120 wine "$location\\Tidemarch.exe") &
host_pid=$!
shot="$work/screenshots/installed-host-module.png"
frame="210,190,120"  # the demonstration module's board frame, at rest
handed_over=
deadline=$((SECONDS + 90))
while [ $SECONDS -lt $deadline ] && kill -0 "$host_pid" 2>/dev/null; do
    if grep -q " complete " "$server_log" && import -window root "$shot" 2>/dev/null &&
        near "$(pixel "$shot" 273 235)" "$frame" 12; then
        handed_over=1
        break
    fi
    sleep 0.5
done
grep -q " complete " "$server_log" || fail "the installed host's update did not complete: $(cat "$server_log")"
[ -n "$handed_over" ] || fail "the installed host did not hand over to the module (pixel (273,235) is $(pixel "$shot" 273 235 2>/dev/null))"
kill "$host_pid" 2>/dev/null
wait "$host_pid" 2>/dev/null
host_pid=
kill "$server_pid" 2>/dev/null
wait "$server_pid" 2>/dev/null
server_pid=
timeout 20 wineserver -k 2>/dev/null
settle
for path in Main.dll SPR/Demo.SPR Music/Theme.bin Readme.txt; do
    cmp -s "$work/release/$path" "$install/$path" || fail "the update did not write $path"
done
[ "$(user_reg "$wine_program_key\\Direct3D" csmt)" = dword:00000000 ] || fail "the host did not write its Direct3D setting"
[ "$(system_reg "$server_key" UpdateServer)" = "$default_server" ] || fail "the host did not write the update server address"

echo "--- the same installer again, over the updated installation"
timeout 120 wine "$installer" /S
status=$?
settle
[ "$status" -eq 0 ] || fail "installing again into the game's own folder ended with $status"
cmp -s "$install/Tidemarch.exe" "$downloaded/Tidemarch.exe" || fail "installing again did not keep Tidemarch.exe"
cmp -s "$work/release/Main.dll" "$install/Main.dll" || fail "installing again removed the update's Main.dll"

echo "--- 4. silent uninstall"
mkdir -p "$install/Saves/Slot1" "$(dirname "$install")/Beside"
echo "a player's file" >"$install/Saves/Slot1/keep.txt"
echo "another program's file" >"$(dirname "$install")/Beside/other.txt"
beside_before=$(listing "$(dirname "$install")/Beside")
eval "uninstall=($quiet)"
timeout 120 wine "${uninstall[@]}"
settle
[ "$(listing "$install")" = "./Saves ./Saves/Slot1 ./Saves/Slot1/keep.txt " ] || fail "the uninstall left or took: $(listing "$install")"
[ "$(listing "$(dirname "$install")/Beside")" = "$beside_before" ] || fail "the uninstall changed the folder beside the program's"
[ -e "$user_menu/$game.lnk" ] && fail "the Start menu entry is left"
[ -e "$user_desktop/$game.lnk" ] && fail "the desktop shortcut is left"
user_reg "$uninstall_key" && fail "the uninstaller's registration is left"
user_reg "$wine_program_key" && fail "the Direct3D setting's key is left"
system_reg "$server_key" && fail "the update server address is left: $(system_reg "$server_key" UpdateServer)"
system_reg 'Software\Zeq' && fail "the empty key Software\\Zeq is left"

echo "--- 5. silent install for all users, no desktop shortcut"
timeout 120 wine "$installer" /S /AllUsers /NoDesktopShortcut
status=$?
settle
[ "$status" -eq 0 ] || fail "the all-users install ended with $status"
location=$(system_reg "$uninstall_key" InstallLocation) || { echo "FAIL: no uninstaller registered for all users"; exit 1; }
install=$(unix_path "$location")
[ "$install" = "$drive/Program Files/$game" ] || fail "the all-users install is in $location"
[ "$(listing "$install")" = "./SPR ./SPR/Start.SPR ./Tidemarch.exe ./Uninstall.exe " ] || fail "the all-users folder holds $(listing "$install")"
common_menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs"
[ -f "$common_menu/$game.lnk" ] || fail "no Start menu entry for all users"
ls "$drive"/users/*/Desktop/"$game.lnk" 2>/dev/null && fail "a desktop shortcut was made with /NoDesktopShortcut"
user_reg "$uninstall_key" && fail "the all-users install registered for the user"
[ "$(system_reg "$uninstall_key" DisplayVersion)" = "$version" ] || fail "the all-users DisplayVersion is $(system_reg "$uninstall_key" DisplayVersion)"
quiet=$(system_reg "$uninstall_key" QuietUninstallString)
[ "$quiet" = "\"$location\\Uninstall.exe\" /AllUsers /S" ] || fail "the all-users QuietUninstallString is $quiet"

timeout 120 wine "$location\\Uninstall.exe" /CurrentUser /S
settle
[ "$(listing "$install")" = "./SPR ./SPR/Start.SPR ./Tidemarch.exe ./Uninstall.exe " ] || fail "an uninstaller for the other mode removed files: $(listing "$install")"
system_reg "$uninstall_key" >/dev/null || fail "an uninstaller for the other mode removed the registration"

timeout 60 wine reg add "HKLM\\$server_key" /v UpdateServer /d 10.1.2.3 /f >/dev/null 2>&1
eval "uninstall=($quiet)"
timeout 120 wine "${uninstall[@]}"
settle
[ -e "$install" ] && fail "the all-users uninstall left $(listing "$install")"
[ -e "$common_menu/$game.lnk" ] && fail "the all-users Start menu entry is left"
system_reg "$uninstall_key" && fail "the all-users registration is left"
[ "$(system_reg "$server_key" UpdateServer)" = 10.1.2.3 ] || fail "the uninstall removed an update server address somebody set"

echo "screenshot in $shot"
[ "$failures" -eq 0 ] && echo "PASS: the installer's journeys" && exit 0
exit 1
