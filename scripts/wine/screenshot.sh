#!/usr/bin/env bash
# Takes a screenshot of the whole display (DISPLAY) to the PNG file given.
set -eu
[ $# -eq 1 ] || { echo "usage: screenshot.sh OUT.png" >&2; exit 2; }
import -window root "$1"
