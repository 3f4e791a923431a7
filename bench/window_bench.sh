#!/bin/sh
# The window's cost at a click wait in the demo: resident memory in a real window under Xvfb beside
# the headless run (bar 40 MB), idle CPU in that window while the wait icon animates (bar 0.5% of a
# core), and twenty full-screen toggles with Alt+Enter: the time from each key to its switch (bar
# 100 ms each) and whether the X screen still shows the game picture afterwards.
# Needs Xvfb and xwd. Usage: bench/window_bench.sh [BINARY] [SECONDS]
set -eu
cd "$(dirname "$0")/.."
BINARY=${1:-build/release/textreel}
SECONDS_IDLE=${2:-10}
WORK=$(mktemp -d)
. bench/proc_figures.sh
start_xvfb 93
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$WORK"' EXIT

# Waits at the first click of the demo and stays there.
printf 'rclick 1 1\nwait\nsleep 600000\n' >"$WORK/idle.txt"

rss() {
    label=$1
    shift
    mkdir -p "$WORK/run-$label"
    XDG_RUNTIME_DIR="$WORK/run-$label" "$@" --events "$WORK/idle.txt" demo >/dev/null 2>&1 &
    pid=$!
    sleep 5
    kb=$(awk '/^VmRSS/ {print $2}' /proc/$pid/status)
    before=$(cpu_ticks $pid)
    sleep "$SECONDS_IDLE"
    after=$(cpu_ticks $pid)
    kill $pid
    wait $pid 2>/dev/null || true
    printf "%-9s resident %s MB, idle CPU %s%% of one core\n" "$label" "$(awk -v kb="$kb" 'BEGIN { printf "%.1f", kb / 1024 }')" \
        "$(cpu_percent "$before" "$after" "$SECONDS_IDLE")"
}

rss headless "$BINARY" --headless
DISPLAY=:93 SDL_AUDIODRIVER=dummy rss window "$BINARY"

# Twenty toggles; the trace gives each key's time and its switch's time. The X screen is taken
# before and after them.
{
    printf 'rclick 1 1\nwait\nsleep 5000\n'
    i=0
    while [ $i -lt 20 ]; do
        printf 'key Alt+Return\nsleep 200\n'
        i=$((i + 1))
    done
    printf 'sleep 8000\nclose\n'
} >"$WORK/toggle.txt"
mkdir -p "$WORK/run-toggle"
DISPLAY=:93 SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK/run-toggle" timeout 60 "$BINARY" \
    --events "$WORK/toggle.txt" --trace "$WORK/toggle.jsonl" demo >/dev/null 2>&1 &
pid=$!
sleep 6
DISPLAY=:93 xwd -root -silent >"$WORK/before.xwd"
sleep 9
DISPLAY=:93 xwd -root -silent >"$WORK/after.xwd"
wait $pid || true
python3 - "$WORK/toggle.jsonl" "$WORK/before.xwd" "$WORK/after.xwd" <<'PY'
import json, struct, sys
events = [json.loads(l) for l in open(sys.argv[1])]
keys, switches = [], []
for e in events:
    if e["event"] == "input" and e.get("command") == "key Alt+Return":
        keys.append(e["ms"])
    elif e["event"] == "display" and keys:
        switches.append(e["ms"])
times = [s - k for k, s in zip(keys, switches)]
print("toggles   %d switches, slowest %d ms, mean %.1f ms" % (len(times), max(times or [0]), sum(times) / max(len(times), 1)))

def pixels(path):
    data = open(path, "rb").read()
    f = struct.unpack(">25I", data[:100])
    header, width, height, bits, stride, colours = f[0], f[4], f[5], f[11], f[12], f[19]
    start = header + colours * 12
    step = bits // 8
    return width, height, [data[start + y * stride:start + y * stride + width * step] for y in range(height)], step

w, h, a, step = pixels(sys.argv[2])
_, _, b, _ = pixels(sys.argv[3])
diff = [(x, y) for y in range(h) for x in range(w) if a[y][x * step:x * step + 3] != b[y][x * step:x * step + 3]]
if not diff:
    print("picture   identical before and after the toggles")
else:
    xs = [d[0] for d in diff]
    ys = [d[1] for d in diff]
    print("picture   %d pixels differ, within x %d..%d, y %d..%d (the wait icon animates)" % (len(diff), min(xs), max(xs), min(ys), max(ys)))
PY
