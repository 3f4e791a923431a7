#!/bin/sh
# Plays an 800 x 600, 30 frames/s, 60 s MPEG-1 movie with MP2 sound (make_movie's "motion"
# pattern at 5 Mbit/s, which costs to decode what a real movie of that size costs) in a title of its
# own, headless and then in a window under Xvfb with SDL's dummy audio driver, and prints for each:
# - the CPU time of the engine and of the movie helper process it decodes in, together, between the
#   trace's movie-start and movie-stop lines, as a share of one core: the engine's utime + stime +
#   cutime + cstime from /proc/PID/stat (the reaped helper's time lands in the last two) plus the
#   utime + stime of its living children, read as soon as each line appears (the trace is polled
#   every 0.1 s), over the wall time between the two reads. Start-up, the logo and the end are left
#   out, so the figure is the movie's alone;
# - the frames shown and the frames dropped, and the A/V drift (the largest distance between a
#   shown frame's timestamp and the sound's position when it reached the window), from movie-stop.
# Bars: under 30% of one core, no frame dropped, drift under 40 ms. Nothing is pressed during the
# movie (the events file is empty); after movie-stop the run gets SIGTERM, which closes the game as
# the close box does. The movie is made once per run into a temporary folder.
# Usage: bench/movie_cpu.sh [BINARY] [MAKE_MOVIE]   (BITRATE=bits/s changes the movie's rate)
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
MAKE_MOVIE=$(realpath "${2:-$(dirname "$BINARY")/make_movie}")
BITRATE=${BITRATE:-5000000}
WORK=$(mktemp -d)
pid=
xvfb=
# Whatever way the script ends, the game and Xvfb it started go with it.
# shellcheck disable=SC2317 # run by the trap
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP PIPE
TICKS=$(getconf CLK_TCK)
FRAMES=1800
FAILED=0

python3 - "$WORK" <<'PY'
import os, struct, sys
d = os.path.join(sys.argv[1], "title")
os.makedirs(os.path.join(d, "save"))
os.makedirs(os.path.join(d, "cg", "menu"))
open(os.path.join(d, "t.ist"), "wb").write(b'InstanceName="bench-movie"\r\nWindowWidth="800"\r\nWindowHeight="600"\r\n')
lines = ["$movieplay movie.mpg", "ムービーが終わりました。", "$C", "$S"]
open(os.path.join(d, "t.txt"), "wb").write("".join(l + "\r\n" for l in lines).encode("cp932"))
env = struct.pack("<iiihh", 1, 1, 1, 100, 75) + bytes(44) + struct.pack("<i", 0)
open(os.path.join(d, "save", "env.dat"), "wb").write(env)
row = bytes(800 * 3)
bmp = b"BM" + struct.pack("<IHHI", 54 + len(row), 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 800, 1, 1, 24, 0, len(row), 0, 0, 0, 0) + row
open(os.path.join(d, "cg", "menu", "logo.bmp"), "wb").write(bmp)
PY
: >"$WORK/events"

# make_movie prints the movie's size and the time it took to make.
"$MAKE_MOVIE" --size 800x600 --fps 30 --frames $FRAMES --sound --pattern motion --bitrate "$BITRATE" \
    "$WORK/title/movie.mpg" 2>/dev/null | sed "s|^$WORK/title/||"
if [ ! -s "$WORK/title/movie.mpg" ]; then
    echo "make_movie could not make the movie" >&2
    exit 1
fi

# Prints a bar's line with PASS or FAIL: bar TEXT PASSED(1 or 0).
bar() {
    if [ "$2" = 1 ]; then
        printf '  %-50s PASS\n' "$1"
    else
        printf '  %-50s FAIL\n' "$1"
        FAILED=1
    fi
}

# The bars, all failed, when the movie did not play or did not end.
unmeasured() {
    bar "played to its end" 0
    bar "CPU under 30% of one core" 0
    bar "no frame dropped, all $FRAMES shown" 0
    bar "A/V drift under 40 ms" 0
}

# Waits up to $2 seconds for a trace line of one of the events $1 (a pattern: "movie-start|text");
# true when one came.
await() {
    n=0
    while ! grep -qE "\"event\":\"($1)\"" "$WORK/trace" 2>/dev/null; do
        if [ $n -ge $(($2 * 10)) ] || ! kill -0 "$pid" 2>/dev/null; then
            return 1
        fi
        sleep 0.1
        n=$((n + 1))
    done
}

# The engine's CPU ticks, its reaped children's and its living children's (the movie helper).
ticks() {
    total=$(awk '{print $14 + $15 + $16 + $17}' "/proc/$pid/stat")
    for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do
        child_ticks=$(awk '{print $14 + $15}' "/proc/$child/stat" 2>/dev/null || echo 0)
        total=$((total + ${child_ticks:-0}))
    done
    echo "$total"
}

measure() {
    label=$1
    shift
    rm -f "$WORK/trace"
    mkdir -p "$WORK/run-$label"
    XDG_RUNTIME_DIR="$WORK/run-$label" "$@" --events "$WORK/events" --trace "$WORK/trace" "$WORK/title" \
        >/dev/null 2>"$WORK/stderr-$label" &
    pid=$!
    # The text after the movie shows at once when the movie does not play.
    if ! await "movie-start|text" 30 || ! grep -q '"event":"movie-start"' "$WORK/trace"; then
        echo "$label: no movie-start in the trace: the movie did not play"
        sed 's/^/  stderr: /' "$WORK/stderr-$label" | head -5
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        pid=
        unmeasured
        return
    fi
    t0=$(date +%s.%N)
    c0=$(ticks)
    if ! await movie-stop 120; then
        echo "$label: no movie-stop in the trace within 120 s of the start"
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
        pid=
        unmeasured
        return
    fi
    c1=$(ticks)
    t1=$(date +%s.%N)
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
    # movie-stop's fields, in the order: reason frames dropped drift_ms (split into words on purpose)
    # shellcheck disable=SC2046
    set -- $(python3 - "$WORK/trace" <<'PY'
import json, sys
stop = [json.loads(l) for l in open(sys.argv[1]) if '"movie-stop"' in l][-1]
print(stop.get("reason", "?"), stop.get("frames", -1), stop.get("dropped", -1), stop.get("drift_ms", -1))
PY
)
    reason=$1 frames=$2 dropped=$3 drift=$4
    cpu=$(awk -v a="$c0" -v b="$c1" -v s="$t0" -v e="$t1" -v t="$TICKS" 'BEGIN { printf "%.1f", 100 * (b - a) / t / (e - s) }')
    seconds=$(awk -v s="$t0" -v e="$t1" 'BEGIN { printf "%.1f", e - s }')
    echo "$label:"
    bar "played to its end (reason \"$reason\" after $seconds s)" "$([ "$reason" = end ] && echo 1 || echo 0)"
    bar "CPU $cpu% of one core (bar: under 30%)" "$(awk -v c="$cpu" 'BEGIN { print (c < 30) }')"
    bar "frames shown $frames of $FRAMES, dropped $dropped (bar: 0)" \
        "$(awk -v f="$frames" -v d="$dropped" -v n="$FRAMES" 'BEGIN { print (d == 0 && f == n) }')"
    bar "A/V drift $drift ms (bar: under 40 ms)" "$(awk -v d="$drift" 'BEGIN { print (d >= 0 && d < 40) }')"
}

measure headless "$BINARY" --headless
if command -v Xvfb >/dev/null; then
    Xvfb :96 -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
    DISPLAY=:96 SDL_AUDIODRIVER=dummy measure "window under Xvfb, dummy audio" "$BINARY"
else
    echo "Xvfb is not installed: no window run"
    FAILED=1
fi
exit $FAILED
