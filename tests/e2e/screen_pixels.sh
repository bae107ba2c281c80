# Sourced by the end-to-end runs: reading colours from screenshots.

pixel() {  # prints "r,g,b" of pixel ($2, $3) of image $1, 8 bits per channel
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

near() {  # whether "r,g,b" $1 is within $3 of "r,g,b" $2 in every channel
    local IFS=,
    local tolerance=$3
    read -r r1 g1 b1 <<<"$1"
    read -r r2 g2 b2 <<<"$2"
    [ $((r1 > r2 ? r1 - r2 : r2 - r1)) -le "$tolerance" ] && [ $((g1 > g2 ? g1 - g2 : g2 - g1)) -le "$tolerance" ] &&
        [ $((b1 > b2 ? b1 - b2 : b2 - b1)) -le "$tolerance" ]
}
