#!/bin/sh
# Measures the CPU time textreel uses while it waits at a click: headless, and in a real window
# under Xvfb when Xvfb is installed. Usage: bench/idle_cpu.sh [BINARY] [SECONDS]
set -eu
cd "$(dirname "$0")/.."
BINARY=${1:-build/release/textreel}
SECONDS_IDLE=${2:-10}
TITLE=$(mktemp -d)
cp bench/titles/idle/* "$TITLE"
RUNTIME=$(mktemp -d)
trap 'rm -rf "$TITLE" "$RUNTIME"' EXIT
TICKS=$(getconf CLK_TCK)

measure() {
    label=$1
    shift
    XDG_RUNTIME_DIR=$RUNTIME "$@" "$TITLE" >/dev/null 2>&1 &
    pid=$!
    sleep 2  # start-up is not idle time
    before=$(awk '{print $14 + $15}' /proc/$pid/stat)
    sleep "$SECONDS_IDLE"
    after=$(awk '{print $14 + $15}' /proc/$pid/stat)
    kill $pid
    wait $pid 2>/dev/null || true
    awk -v b="$before" -v a="$after" -v t="$TICKS" -v s="$SECONDS_IDLE" -v l="$label" \
        'BEGIN { printf "%-10s %.3f%% of one core (%d ticks in %d s)\n", l, 100 * (a - b) / t / s, a - b, s }'
}

measure headless "$BINARY" --headless
if command -v Xvfb >/dev/null 2>&1; then
    Xvfb :97 -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    DISPLAY=:97 SDL_AUDIODRIVER=dummy measure window "$BINARY"
    kill $xvfb
fi
