#!/bin/sh
# Measures the CPU time textreel uses while music and a voice play and the story waits at a click:
# headless; with the SDL backend on its dummy audio driver in a window under Xvfb (when Xvfb is
# installed); and on SDL's dummy video driver too, whose event wait polls every millisecond, so
# that most of that figure is SDL's own (run bench/sound_cpu.sh with NOSOUND=1 to see the same
# runs without music or voice).
# Usage: bench/sound_cpu.sh [BINARY] [SECONDS]
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
SECONDS_MEASURED=${2:-6}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TICKS=$(getconf CLK_TCK)
if [ ! -f demo/bgm/dawn.ogg ]; then
    echo "demo/bgm/dawn.ogg is missing; run tools/make_demo_assets demo" >&2
    exit 1
fi

# The demo's sixteen-second music loops; the voice is the same file, played once.
python3 - "$WORK" <<'PY'
import os, struct, sys
d = os.path.join(sys.argv[1], "title")
os.makedirs(os.path.join(d, "save"))
os.makedirs(os.path.join(d, "cg", "menu"))
os.makedirs(os.path.join(d, "bgm"))
open(os.path.join(d, "t.ist"), "wb").write(b'InstanceName="bench-sound"\r\nWindowWidth="800"\r\nWindowHeight="600"\r\n')
lines = ["音楽と声を聞いています。", "$C", "$S"]
if os.environ.get("NOSOUND") != "1":
    lines = ["$OGGPlay bgm\\dawn.ogg", "$talk bgm\\dawn.ogg"] + lines
open(os.path.join(d, "t.txt"), "wb").write("".join(l + "\r\n" for l in lines).encode("cp932"))
env = struct.pack("<iiihh", 1, 1, 1, 100, 75) + bytes(44) + struct.pack("<i", 0)
open(os.path.join(d, "save", "env.dat"), "wb").write(env)
row = bytes(800 * 3)
bmp = b"BM" + struct.pack("<IHHI", 54 + len(row), 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 800, 1, 1, 24, 0, len(row), 0, 0, 0, 0) + row
open(os.path.join(d, "cg", "menu", "logo.bmp"), "wb").write(bmp)
PY
cp demo/bgm/dawn.ogg "$WORK/title/bgm/dawn.ogg"
printf 'rclick 0 0\n' >"$WORK/events"

measure() {
    label=$1
    shift
    XDG_RUNTIME_DIR=$WORK "$@" --events "$WORK/events" --trace "$WORK/trace" "$WORK/title" >/dev/null 2>&1 &
    pid=$!
    sleep 2 # start-up and the logo are not measured
    if [ "${NOSOUND:-0}" != 1 ] && ! grep -q voice-start "$WORK/trace"; then
        echo "$label: the voice did not start" >&2
    fi
    before=$(awk '{print $14 + $15}' /proc/$pid/stat)
    sleep "$SECONDS_MEASURED"
    after=$(awk '{print $14 + $15}' /proc/$pid/stat)
    kill $pid
    wait $pid 2>/dev/null || true
    awk -v b="$before" -v a="$after" -v t="$TICKS" -v s="$SECONDS_MEASURED" -v l="$label" \
        'BEGIN { printf "%-34s %.2f%% of one core (%d ticks in %d s)\n", l, 100 * (a - b) / t / s, a - b, s }'
}

measure "headless" "$BINARY" --headless
if command -v Xvfb >/dev/null; then
    Xvfb :95 -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true; rm -rf "$WORK"' EXIT
    sleep 1
    DISPLAY=:95 SDL_AUDIODRIVER=dummy measure "SDL under Xvfb, dummy audio" "$BINARY"
fi
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy measure "SDL dummy video and audio" "$BINARY"
