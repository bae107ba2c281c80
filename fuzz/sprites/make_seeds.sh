#!/usr/bin/env bash
# Makes the fuzzer's seed corpus with sprite_tool from a few of the start screen's pictures and
# a tiny WAV: one file per version and layout form, with every kind, both pixel sizes, bundles
# and effects.   usage: make_seeds.sh PATH/TO/sprite_tool
set -euo pipefail
tool=$1
here=$(cd "$(dirname "$0")" && pwd)
pictures=$here/../../assets/start
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cp "$pictures"/marker_file.png "$pictures"/digit1.png "$pictures"/spinner0.png "$pictures"/bar_frame.png "$work"/
python3 - "$work/tick.wav" <<'PY'
import struct, sys
samples = bytes((i * 37) & 0xFF for i in range(64))
fmt = struct.pack("<HHIIHH", 1, 1, 8000, 8000, 1, 8)
data = b"RIFF" + struct.pack("<I", 4 + 8 + 16 + 8 + len(samples)) + b"WAVE"
data += b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(samples)) + samples
open(sys.argv[1], "wb").write(data)
PY
cat > "$work/all.txt" <<'TXT'
title fuzz seed
effect tick.wav
effect placeholder
effect type=9
sprite marker_file.png kind=rle offset=1,2 alpha=128 effect=-3 extra=4,5
sprite digit1.png kind=rle2
sprite digit1.png kind=raw pixels=565
sprite marker_file.png kind=rle2 pixels=565
sprite spinner0.png
bundle name=a steps=2 bounds=0,0,7,6
  frame 0 x=1 y=-1 values=1,2,3,4,5,6,7
  frame 3
  frame 0
bundle name=b steps=-1
TXT
grep -v '^effect' "$work/all.txt" | grep -v 'spinner' > "$work/old.txt"

mkdir -p "$here/corpus"
"$tool" pack "$work/all.txt" "$here/corpus/v3-layout3.spr"
"$tool" pack --version 3 --layout 0 "$work/all.txt" "$here/corpus/v3-layout0.spr"
"$tool" pack --version 3 --layout 2 "$work/all.txt" "$here/corpus/v3-layout2.spr"
"$tool" pack --version 2 --layout 1 "$work/old.txt" "$here/corpus/v2-layout1.spr"
"$tool" pack --version 1 --layout 1 "$work/old.txt" "$here/corpus/v1-layout1.spr"
