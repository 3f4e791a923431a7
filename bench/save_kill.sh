#!/bin/sh
# Kills textreel with SIGKILL at random moments while it saves over slot 1 again and again, 200
# saves in all, and counts the slot files left torn (anything but a whole record). The bar is 0.
# Usage: bench/save_kill.sh [BINARY] [SAVES]
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
SAVES=${2:-200}
ROOT=$(pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TITLE=$WORK/title
cp -r tests/e2e/titles/save-load "$TITLE"
cp demo/cg/menu/save_off.png demo/cg/menu/save_on.png demo/cg/menu/load_off.png demo/cg/menu/load_on.png \
    "$TITLE/cg/menu/"
SLOT=$TITLE/save/save01.sav

# One run: the save screen, then slot 1 saved over and over, each overwrite answered yes.
{
    printf 'rclick 0 0\nwait\nclick 400 590\nwait\n'
    i=0
    while [ $i -lt 40 ]; do
        printf 'answer ok\nclick 100 200\nwait\n'
        i=$((i + 1))
    done
} >"$WORK/events"

saves=0
torn=0
runs=0
while [ $saves -lt "$SAVES" ]; do
    XDG_RUNTIME_DIR=$WORK "$BINARY" --headless --events "$WORK/events" --trace "$WORK/trace" "$TITLE" \
        >/dev/null 2>&1 &
    pid=$!
    # Somewhere between start-up and the end of the saves.
    delay=$(awk -v seed="$$$runs" 'BEGIN { srand(seed); printf "%.3f", 0.3 + rand() * 1.5 }')
    sleep "$delay"
    kill -9 $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
    runs=$((runs + 1))
    n=$(grep -c '"event":"save"' "$WORK/trace" 2>/dev/null || true)
    saves=$((saves + ${n:-0}))
    if [ -e "$SLOT" ]; then
        size=$(stat -c %s "$SLOT")
        if [ "$size" -ne 1424 ]; then
            torn=$((torn + 1))
        elif [ -e "$WORK/first.sav" ]; then
            cmp -s "$SLOT" "$WORK/first.sav" || torn=$((torn + 1))
        else
            cp "$SLOT" "$WORK/first.sav"
        fi
    fi
done
cd "$ROOT"
echo "saves: $saves in $runs killed runs; torn slot files: $torn"
