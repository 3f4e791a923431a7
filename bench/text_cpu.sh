#!/bin/sh
# Measures the CPU time textreel uses while a line is drawn at 40 ms per character, and while it
# waits at a click with the wait icon animating. Usage: bench/text_cpu.sh [BINARY] [SECONDS]
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
SECONDS_MEASURED=${2:-6}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TICKS=$(getconf CLK_TCK)

# Two titles: one long line (over 12 s at 40 ms per character), and a short line then a click wait.
python3 - "$WORK" <<'PY'
import os, struct, sys
work = sys.argv[1]
def title(name, lines):
    d = os.path.join(work, name)
    os.makedirs(os.path.join(d, "save"))
    os.makedirs(os.path.join(d, "cg", "menu"))
    open(os.path.join(d, "t.ist"), "wb").write(b'InstanceName="bench-%s"\r\nWindowWidth="800"\r\nWindowHeight="600"\r\n' % name.encode())
    text = "".join(l + "\r\n" for l in lines).encode("cp932")
    open(os.path.join(d, "t.txt"), "wb").write(text)
    # Settings: 40 ms per character, windowed, effects on, volumes 100 and 75.
    env = struct.pack("<iiihh", 40, 1, 1, 100, 75) + bytes(44) + struct.pack("<i", 0)
    open(os.path.join(d, "save", "env.dat"), "wb").write(env)
    # A black logo of one row, so that start-up shows no message.
    row = bytes(800 * 3)
    bmp = b"BM" + struct.pack("<IHHI", 54 + len(row), 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 800, 1, 1, 24, 0, len(row), 0, 0, 0, 0) + row
    open(os.path.join(d, "cg", "menu", "logo.bmp"), "wb").write(bmp)
title("drawing", ["ゆっくりと文字が流れていく。" * 25, "$S"])
title("waiting", ["クリックを待っています。", "$C", "$S"])
PY

measure() {
    label=$1
    dir=$2
    printf 'rclick 0 0\n' >"$WORK/$label.events"
    XDG_RUNTIME_DIR=$WORK "$BINARY" --headless --events "$WORK/$label.events" "$dir" >/dev/null 2>&1 &
    pid=$!
    sleep 2 # start-up and the comb wipe of the logo are not measured
    before=$(awk '{print $14 + $15}' /proc/$pid/stat)
    sleep "$SECONDS_MEASURED"
    after=$(awk '{print $14 + $15}' /proc/$pid/stat)
    kill $pid
    wait $pid 2>/dev/null || true
    awk -v b="$before" -v a="$after" -v t="$TICKS" -v s="$SECONDS_MEASURED" -v l="$label" \
        'BEGIN { printf "%-28s %.2f%% of one core (%d ticks in %d s)\n", l, 100 * (a - b) / t / s, a - b, s }'
}

measure "drawing at 40 ms per char" "$WORK/drawing"
measure "waiting, icon animating" "$WORK/waiting"
