#!/bin/sh
# Measures the CPU time textreel uses while the story waits on the clock: a run of `$wait 5000`
# lines, and a `synctiming` one minute after its `syncstart`. The bar is under 1% of one core.
# Usage: bench/wait_cpu.sh [BINARY] [SECONDS]
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
SECONDS_MEASURED=${2:-8}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TICKS=$(getconf CLK_TCK)

python3 - "$WORK" <<'PY'
import os, struct, sys
work = sys.argv[1]
def title(name, lines):
    d = os.path.join(work, name)
    os.makedirs(os.path.join(d, "cg", "menu"))
    open(os.path.join(d, "t.ist"), "wb").write(b'InstanceName="bench-%s"\r\nWindowWidth="800"\r\nWindowHeight="600"\r\n' % name.encode())
    open(os.path.join(d, "t.txt"), "wb").write("".join(l + "\r\n" for l in lines).encode("cp932"))
    # A black logo of one row, so that start-up shows no message.
    row = bytes(800 * 3)
    bmp = b"BM" + struct.pack("<IHHI", 54 + len(row), 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 800, 1, 1, 24, 0, len(row), 0, 0, 0, 0) + row
    open(os.path.join(d, "cg", "menu", "logo.bmp"), "wb").write(bmp)
title("wait", ["時計だけが進む。"] + ["$wait 5000"] * 30 + ["$S"])
title("synctiming", ["時計だけが進む。", "$syncstart", "$synctiming 150000", "$syncexit", "$S"])
PY

measure() {
    label=$1
    dir=$2
    printf 'rclick 0 0\n' >"$WORK/$label.events"
    XDG_RUNTIME_DIR=$WORK "$BINARY" --headless --events "$WORK/$label.events" "$dir" >/dev/null 2>&1 &
    pid=$!
    sleep 2 # start-up and the logo are not measured
    before=$(awk '{print $14 + $15}' /proc/$pid/stat)
    sleep "$SECONDS_MEASURED"
    after=$(awk '{print $14 + $15}' /proc/$pid/stat)
    kill $pid
    wait $pid 2>/dev/null || true
    awk -v b="$before" -v a="$after" -v t="$TICKS" -v s="$SECONDS_MEASURED" -v l="$label" \
        'BEGIN { printf "%-22s %.2f%% of one core (%d ticks in %d s)\n", l, 100 * (a - b) / t / s, a - b, s }'
}

measure "during \$wait 5000" "$WORK/wait"
measure "during synctiming" "$WORK/synctiming"
