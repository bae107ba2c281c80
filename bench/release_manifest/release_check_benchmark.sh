#!/usr/bin/env bash
# How long a player waits for the release check: the host's check (CNG under Wine, hashing on a
# thread of its own as the start screen runs it) of a signed release of about 200 MB, beside a
# plain CNG hash of the same files and sha256sum's. Prints each one's median of three rounds in
# seconds and MB/s, and "target release-check-MB-per-s <measured> 100" (200 MB in 2 s).
# Run inside a Wine session:
#   bash scripts/wine/session.sh bash bench/release_manifest/release_check_benchmark.sh
# Needs the windows build (release_check_cost.exe) and the native build (release_sign). The release
# (Main.dll and 40 files of 5 MB in four folders) is made in /tmp/tidemarch_signed_release when
# missing, signed with the test key.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine/env.sh"
tidemarch_wine_prefix
release=/tmp/tidemarch_signed_release
keys="$root/tests/fixtures/release_keys"
cost="$root/build/windows/tests/windows/release_manifest/release_check_cost.exe"
sign="$root/build/native/tools/release_sign/release_sign"
if [ ! -f "$release/Release.manifest" ]; then
    rm -rf "$release"
    mkdir -p "$release"
    head -c 2000000 /dev/urandom >"$release/Main.dll"
    for folder in SPR Music Maps Data; do
        mkdir -p "$release/$folder"
        for n in $(seq 1 10); do head -c 5000000 /dev/urandom >"$release/$folder/part$n.bin"; done
    done
    "$sign" --key "$keys/test_release_private.pem" --folder "$release" --version 1 >/dev/null
fi
point=$(openssl pkey -pubin -in "$keys/test_release_public.pem" -outform DER | xxd -p | tr -d '\n' | cut -c55-)
bytes=$(du -sb --apparent-size --exclude=Release.manifest "$release" | cut -f1)
files=$(($(find "$release" -type f | wc -l) - 1))
printf "release: %.1f MB in %d files\n" "$(echo "$bytes / 1000000" | bc -l)" "$files"

median() { sort -n | sed -n 2p; }
cat "$release"/* "$release"/*/* >/dev/null 2>&1 || true  # every round reads from the page cache
results=$(cd "$release" && wine "$cost" "$point" 3 | tr -d '\r')
check=$(echo "$results" | awk '$1 == "check" {print $2}' | median)
hash=$(echo "$results" | awk '$1 == "hash" {print $2}' | median)
sums=$(for _ in 1 2 3; do
    start=$(date +%s.%N)
    (cd "$release" && find . -type f ! -name Release.manifest -print0 | xargs -0 sha256sum >/dev/null)
    echo "$(date +%s.%N) - $start" | bc -l
done | median)
printf "%-28s %8s %8s\n" what seconds MB/s
for pair in "host-check(CNG,thread) $check" "plain-CNG-hash $hash" "sha256sum $sums"; do
    set -- $pair
    printf "%-28s %8.3f %8.1f\n" "$1" "$2" "$(echo "$bytes / 1000000 / $2" | bc -l)"
done
printf "target release-check-MB-per-s %.1f 100\n" "$(echo "$bytes / 1000000 / $check" | bc -l)"
