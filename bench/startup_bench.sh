#!/bin/sh
# Start-up time: from exec to the demo's title screen drawn and waiting for the player, headless in
# virtual time (so the title's transition costs only its drawing), over RUNS runs; prints each run
# and the median against the bar of 150 ms. The moment is the events file's `wait` ending: the
# trace line of the command after it is written then, and is watched for.
# Usage: bench/startup_bench.sh [BINARY] [RUNS]
set -eu
cd "$(dirname "$0")/.."
BINARY=${1:-build/release/textreel}
RUNS=${2:-11}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp -r demo "$WORK/title"
rm -rf "$WORK/title/save"
printf 'wait\nscreenshot %s/first.png\nclose\n' "$WORK" >"$WORK/events.txt"
python3 - "$BINARY" "$RUNS" "$WORK" <<'PY'
import os, statistics, subprocess, sys, time
binary, runs, work = sys.argv[1], int(sys.argv[2]), sys.argv[3]
env = dict(os.environ, XDG_RUNTIME_DIR=work)
times = []
for i in range(runs + 1):  # the first run warms the page cache and is not counted
    trace = os.path.join(work, "trace.jsonl")
    if os.path.exists(trace):
        os.remove(trace)
    start = time.monotonic()
    p = subprocess.Popen([binary, "--headless", "--fast", "--events", os.path.join(work, "events.txt"),
                          "--trace", trace, os.path.join(work, "title")],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
    seen = None
    while seen is None and p.poll() is None:
        try:
            with open(trace, "rb") as f:
                if b'"command":"screenshot ' + work.encode() + b'/first.png"' in f.read():
                    seen = time.monotonic()
        except FileNotFoundError:
            pass
        if seen is None:
            time.sleep(0.0005)
    p.wait()
    if seen is None:
        sys.exit("run %d: the title screen never waited for the player (exit %d)" % (i, p.returncode))
    if not os.path.exists(os.path.join(work, "first.png")):
        sys.exit("run %d: no screenshot of the title screen" % i)
    if i > 0:
        times.append((seen - start) * 1000)
print("runs      " + " ".join("%.0f" % t for t in times) + " ms")
median = statistics.median(times)
print("start-up  median %.1f ms, fastest %.1f ms (bar 150 ms)  %s" % (median, min(times), "pass" if median < 150 else "FAIL"))
PY
