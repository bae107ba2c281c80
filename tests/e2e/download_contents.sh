#!/usr/bin/env bash
# What the player downloads, read without running it: the zip holds exactly Tidemarch.exe and
# SPR/Start.SPR in a folder named after the game; that executable carries the program's icon and
# version information with the build's version and the game's name; the installer carries the
# build's version too.
# Arguments: the zip, the installer, windres (which reads an executable's resources back as text),
# the version, the game's name, a work folder.
set -u
zip="$1" installer="$2" windres="$3" version="$4" game="$5" work="$6"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work/zip"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

files=$(python3 -c 'import sys, zipfile; print(" ".join(sorted(i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist() if not i.is_dir())))' "$zip")
[ "$files" = "$game/SPR/Start.SPR $game/Tidemarch.exe" ] || fail "the zip holds: $files"
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$zip" "$work/zip"

# The version as the version information's fixed part spells it: 1.2.3 -> "1, 2, 3, 0".
fixed="$(echo "$version" | sed 's/\./, /g'), 0"
"$windres" -i "$work/zip/$game/Tidemarch.exe" -O rc -o "$work/program.rc" 2>"$work/windres.log" || fail "windres could not read the program: $(cat "$work/windres.log")"
grep -q "^ FILEVERSION $fixed$" "$work/program.rc" || fail "the program's FILEVERSION is not $fixed: $(grep FILEVERSION "$work/program.rc")"
grep -q "VALUE \"ProductVersion\", \"$version\"" "$work/program.rc" || fail "the program's ProductVersion is not $version"
grep -q "VALUE \"ProductName\", \"$game\"" "$work/program.rc" || fail "the program's ProductName is not $game"
grep -q "VALUE \"OriginalFilename\", \"Tidemarch.exe\"" "$work/program.rc" || fail "the program's OriginalFilename is not Tidemarch.exe"
grep -q "RT_GROUP_ICON" "$work/program.rc" || fail "the program has no icon"

"$windres" -i "$installer" -O rc -o "$work/installer.rc" 2>"$work/windres.log" || fail "windres could not read the installer: $(cat "$work/windres.log")"
grep -q "^ FILEVERSION $fixed$" "$work/installer.rc" || fail "the installer's FILEVERSION is not $fixed: $(grep FILEVERSION "$work/installer.rc")"
grep -q "VALUE \"ProductVersion\", \"$version\"" "$work/installer.rc" || fail "the installer's ProductVersion is not $version"

[ "$failures" -eq 0 ] && echo "PASS: the download holds the two files, with the icon and version $version" && exit 0
exit 1
