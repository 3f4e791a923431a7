# Shared by the whole-run benches (sourced, not run): a private X server, and a process's CPU time
# and memory read from /proc.

# start_xvfb N: starts Xvfb on display :N and sets $xvfb to its process id.
start_xvfb() {
    Xvfb ":$1" -screen 0 1024x768x24 >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
}

# cpu_ticks PID: the user and system clock ticks the process has used so far.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

# cpu_percent BEFORE AFTER SECONDS: the share of one core used between two cpu_ticks readings.
cpu_percent() {
    awk -v b="$1" -v a="$2" -v t="$(getconf CLK_TCK)" -v s="$3" 'BEGIN { printf "%.3f", 100 * (a - b) / t / s }'
}

# memory_kb PID FIELD: a total of /proc/PID/smaps_rollup in kB (Rss, Pss, Anonymous, ...).
memory_kb() {
    awk -v f="$2:" '$1 == f { print $2 }' "/proc/$1/smaps_rollup"
}

# cpu_bench_start DEFAULT_SECONDS [BINARY [SECONDS]]: for a CPU bench run from the repository's top,
# sets $BINARY (build/release/textreel by default), $SECONDS_MEASURED (DEFAULT_SECONDS by default)
# and $WORK, a scratch folder removed when the script exits.
cpu_bench_start() {
    BINARY=$(realpath "${2:-build/release/textreel}")
    SECONDS_MEASURED=${3:-$1}
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
}

# cpu_title DIR NAME SPEED LINE...: writes a small 800 x 600 title into DIR: t.ist naming it
# bench-NAME, t.txt of the lines (Shift-JIS, CR LF), and a black logo of one row, so that start-up
# shows no message. With SPEED other than "-", save/env.dat holds the settings SPEED ms per
# character, windowed, effects on, volumes 100 and 75.
cpu_title() {
    python3 - "$@" <<'PY'
import os, struct, sys
d, name, speed, *lines = [os.fsencode(a).decode("utf-8") for a in sys.argv[1:]]
if speed != "-":
    os.makedirs(os.path.join(d, "save"))
os.makedirs(os.path.join(d, "cg", "menu"))
open(os.path.join(d, "t.ist"), "wb").write(b'InstanceName="bench-%s"\r\nWindowWidth="800"\r\nWindowHeight="600"\r\n' % name.encode())
open(os.path.join(d, "t.txt"), "wb").write("".join(l + "\r\n" for l in lines).encode("cp932"))
if speed != "-":
    env = struct.pack("<iiihh", int(speed), 1, 1, 100, 75) + bytes(44) + struct.pack("<i", 0)
    open(os.path.join(d, "save", "env.dat"), "wb").write(env)
row = bytes(800 * 3)
bmp = b"BM" + struct.pack("<IHHI", 54 + len(row), 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 800, 1, 1, 24, 0, len(row), 0, 0, 0, 0) + row
open(os.path.join(d, "cg", "menu", "logo.bmp"), "wb").write(bmp)
PY
}

# cpu_over PID SECONDS WIDTH LABEL: prints the share of one core the process uses over the next
# SECONDS, after LABEL padded to WIDTH, then ends the process.
cpu_over() {
    before=$(cpu_ticks "$1")
    sleep "$2"
    after=$(cpu_ticks "$1")
    kill "$1"
    wait "$1" 2>/dev/null || true
    awk -v b="$before" -v a="$after" -v t="$(getconf CLK_TCK)" -v s="$2" -v w="$3" -v l="$4" \
        'BEGIN { printf "%-" w "s %.2f%% of one core (%d ticks in %d s)\n", l, 100 * (a - b) / t / s, a - b, s }'
}

# measure_headless WIDTH LABEL DIR: runs $BINARY headless on the title in DIR, answering the logo
# with a right click, and prints its CPU share over $SECONDS_MEASURED seconds after the first two
# (start-up and the logo are not measured).
measure_headless() {
    printf 'rclick 0 0\n' >"$WORK/$2.events"
    XDG_RUNTIME_DIR=$WORK "$BINARY" --headless --events "$WORK/$2.events" "$3" >/dev/null 2>&1 &
    pid=$!
    sleep 2
    cpu_over "$pid" "$SECONDS_MEASURED" "$1" "$2"
}
