#!/usr/bin/env bash
# Installs everything the builds and tests need on a Debian 12 machine, from Debian's packages.
# Idempotent and non-interactive; must run as root (or through sudo).
set -euo pipefail

packages=(
    cmake ninja-build g++ clang lld libclang-rt-14-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-i686 gcc-mingw-w64-i686 mingw-w64-i686-dev
    wine wine32:i386 xvfb xauth x11-utils imagemagick
    libpixman-1-dev libsdl2-dev libpng-dev libstb-dev pkgconf
    python3 procps
    libasio-dev haproxy systemd xdotool fonts-liberation dpkg-dev file
    nsis
    libssl-dev openssl
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
echo "setup: done"
