#!/bin/sh
# Measures the CPU time textreel uses while music and a voice play and the story waits at a click:
# headless; with the SDL backend on its dummy audio driver in a window under Xvfb (when Xvfb is
# installed); and on SDL's dummy video driver too, whose event wait polls every millisecond, so
# that most of that figure is SDL's own (run bench/sound_cpu.sh with NOSOUND=1 to see the same
# runs without music or voice).
# Usage: bench/sound_cpu.sh [BINARY] [SECONDS]
# The scenario lines below are passed as they are: their $ starts a story command, not a variable.
# shellcheck disable=SC2016
set -eu
cd "$(dirname "$0")/.."
. bench/proc_figures.sh
cpu_bench_start 6 "$@"
if [ ! -f demo/bgm/dawn.ogg ]; then
    echo "demo/bgm/dawn.ogg is missing; run tools/make_demo_assets demo" >&2
    exit 1
fi

# The demo's sixteen-second music loops; the voice is the same file, played once.
if [ "${NOSOUND:-0}" = 1 ]; then
    set --
else
    set -- '$OGGPlay bgm\dawn.ogg' '$talk bgm\dawn.ogg'
fi
cpu_title "$WORK/title" sound 1 "$@" '音楽と声を聞いています。' '$C' '$S'
mkdir "$WORK/title/bgm"
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
    cpu_over "$pid" "$SECONDS_MEASURED" 34 "$label"
}

measure "headless" "$BINARY" --headless
if command -v Xvfb >/dev/null; then
    start_xvfb 95
    trap 'kill $xvfb 2>/dev/null || true; rm -rf "$WORK"' EXIT
    DISPLAY=:95 SDL_AUDIODRIVER=dummy measure "SDL under Xvfb, dummy audio" "$BINARY"
fi
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy measure "SDL dummy video and audio" "$BINARY"
