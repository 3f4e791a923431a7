#!/bin/sh
# Explores titles of the shapes that make an exploration grow, and prints each one's wall time, peak
# memory and the last lines of its report:
# - "choices": 60 two-way choices in a row, each adding to one of two counters nothing tests (the
#   bar: under 5 s);
# - "chain": 1,000 two-way menus in a row, each entry going on to the next menu (the bar: under
#   200 MB of peak memory).
# Usage: bench/explore_shapes.sh [BINARY]
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# make_title DIR NAME: a title folder with the demo's interface parts and one background; the
# scenario comes on standard input.
make_title() {
    mkdir -p "$1/bg"
    cp -r demo/cg "$1/cg"
    cp -r demo/sound "$1/sound"
    cp demo/bg/01_station.png "$1/bg/plain.png"
    cp demo/bg/02_train.png "$1/bg/lit.png"
    printf 'InstanceName="bench-explore-%s"\r\nWindowWidth="800"\r\nWindowHeight="600"\r\nGameType="0"\r\n' \
        "$2" >"$1/title.ist"
    sed 's/$/\r/' >"$1/scenario.txt"
}

# menus N BODY_A BODY_B: a title menu, then N two-way menus in a row.
menus() {
    printf '$effect 1\n$imgblt bg\\plain.png\n$selarea bg\\lit.png\n(100,100,299,199,start,0)\nselend\n:start\n'
    i=1
    while [ "$i" -le "$1" ]; do
        n=$(printf '%04d' "$i")
        printf 'Menu %s.\n$C\n$windowclose\n$imgblt bg\\plain.png\n$selarea bg\\lit.png\n(100,100,299,199,a%s,0)\n(400,100,599,199,b%s,0)\nselend\n' \
            "$n" "$n" "$n"
        printf ':a%s\n%s\n$jmp n%s\n:b%s\n%s\n:n%s\n' "$n" "$2" "$n" "$n" "$3" "$n"
        i=$((i + 1))
    done
    printf 'The end.\n$C\n'
}

menus 60 '$pointflag 1 1' '$pointflag 2 1' | make_title "$WORK/choices" choices
menus 1000 'Left.' 'Right.' | make_title "$WORK/chain" chain

for title in ${TITLES:-choices chain}; do
    start=$(date +%s.%N)
    code=0
    XDG_RUNTIME_DIR=$WORK TMPDIR=$WORK /usr/bin/time -f '%M %U %S' -o "$WORK/rss" \
        "$BINARY" --explore --max-seconds 600 "$WORK/$title" >"$WORK/report" 2>/dev/null || code=$?
    end=$(date +%s.%N)
    set -- $(tail -1 "$WORK/rss")
    echo "explore $title: $(echo "$end - $start" | bc) s ($(echo "$2 + $3" | bc) s of CPU), $(($1 / 1024)) MB peak, exit $code"
    tail -2 "$WORK/report"
done
