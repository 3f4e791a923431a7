#!/bin/sh
# Measures the CPU time textreel uses while it waits at a click: headless, and in a real window
# under Xvfb when Xvfb is installed. Usage: bench/idle_cpu.sh [BINARY] [SECONDS]
set -eu
cd "$(dirname "$0")/.."
BINARY=${1:-build/release/textreel}
SECONDS_IDLE=${2:-10}
TITLE=$(mktemp -d)
cp bench/titles/idle/* "$TITLE"
# The demo's start-up picture, so that no box about a missing one opens over the wait.
mkdir -p "$TITLE/cg/menu"
cp demo/cg/menu/logo.bmp "$TITLE/cg/menu/"
RUNTIME=$(mktemp -d)
trap 'rm -rf "$TITLE" "$RUNTIME"' EXIT
. bench/proc_figures.sh

measure() {
    label=$1
    shift
    XDG_RUNTIME_DIR=$RUNTIME "$@" "$TITLE" >/dev/null 2>&1 &
    pid=$!
    sleep 2  # start-up is not idle time
    before=$(cpu_ticks $pid)
    sleep "$SECONDS_IDLE"
    after=$(cpu_ticks $pid)
    kill $pid
    wait $pid 2>/dev/null || true
    printf "%-10s %s%% of one core (%d ticks in %d s)\n" "$label" "$(cpu_percent "$before" "$after" "$SECONDS_IDLE")" \
        $((after - before)) "$SECONDS_IDLE"
}

measure headless "$BINARY" --headless
if command -v Xvfb >/dev/null 2>&1; then
    start_xvfb 97
    DISPLAY=:97 SDL_AUDIODRIVER=dummy measure window "$BINARY"
    kill $xvfb
fi
