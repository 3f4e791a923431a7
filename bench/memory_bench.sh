#!/bin/sh
# textreel's memory and idle CPU at the demo's title menu in a real window under Xvfb, with music
# playing (a copy of the demo whose title screen starts its music): proportional (PSS) and resident
# (RSS) memory from /proc/PID/smaps_rollup (bars 20 MB and 30 MB) and the CPU used over SECONDS
# (bar 0.5% of a core); then the largest mappings, and whether the libraries loaded only on demand
# (speech, Graphviz) stay out. Needs Xvfb. Usage: bench/memory_bench.sh [BINARY] [SECONDS]
set -eu
cd "$(dirname "$0")/.."
BINARY=${1:-build/release/textreel}
SECONDS_IDLE=${2:-20}
WORK=$(mktemp -d)
. bench/proc_figures.sh
start_xvfb 91
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$WORK"' EXIT

# The demo with its morning music started on the title screen (the scenario's "\" is the path mark).
cp -r demo "$WORK/title"
rm -rf "$WORK/title/save"
sed -i 's/^\$imgblt title\\title\.png\r$/&\n$OGGPlay bgm\\dawn.ogg\r/' "$WORK/title/scenario.txt"
grep -q '^\$OGGPlay bgm\\dawn\.ogg' "$WORK/title/scenario.txt" || {
    echo "cannot start the music on the demo's title screen" >&2
    exit 1
}
printf 'wait\nsleep 600000\n' >"$WORK/idle.txt"

mkdir -p "$WORK/run"
DISPLAY=:91 SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$WORK/run" "$BINARY" --events "$WORK/idle.txt" \
    "$WORK/title" >/dev/null 2>&1 &
pid=$!
sleep 3  # start-up is not idle time
before=$(cpu_ticks $pid)
sleep "$SECONDS_IDLE"
after=$(cpu_ticks $pid)
pss=$(memory_kb $pid Pss)
rss=$(memory_kb $pid Rss)
anonymous=$(memory_kb $pid Anonymous)
cp /proc/$pid/smaps "$WORK/smaps"
cp /proc/$pid/maps "$WORK/maps"
kill $pid
wait $pid 2>/dev/null || true

awk -v pss="$pss" -v rss="$rss" -v anon="$anonymous" -v cpu="$(cpu_percent "$before" "$after" "$SECONDS_IDLE")" \
    -v s="$SECONDS_IDLE" 'BEGIN {
        printf "PSS       %5.1f MB  (bar 20 MB)  %s\n", pss / 1024, pss < 20 * 1024 ? "pass" : "FAIL"
        printf "RSS       %5.1f MB  (bar 30 MB)  %s\n", rss / 1024, rss < 30 * 1024 ? "pass" : "FAIL"
        printf "anonymous %5.1f MB\n", anon / 1024
        printf "idle CPU  %5.3f%% of one core over %d s (bar 0.5%%)  %s\n", cpu, s, cpu < 0.5 ? "pass" : "FAIL"
    }'

# Resident memory by what is mapped: each file (all its mappings together), the heap, the
# anonymous mappings and the window's shared memory, largest first.
echo "largest mappings (RSS kB, PSS kB):"
awk '
    /^[0-9a-f]+-[0-9a-f]+ / { name = (NF >= 6) ? $6 : "[anonymous]"; sub(".*/", "", name); next }
    /^Rss:/ { rss[name] += $2 } /^Pss:/ { pss[name] += $2 }
    END { for (n in rss) printf "%8d %8d  %s\n", rss[n], pss[n], n }' "$WORK/smaps" | sort -rn | head -15
echo "shared libraries mapped: $(awk '$6 ~ /\.so/ {print $6}' "$WORK/maps" | sort -u | wc -l | tr -d ' ')"
for lib in libespeak-ng libspeechd libgvc libcgraph; do
    if grep -q "/$lib\.so" "$WORK/maps"; then
        echo "  $lib is mapped (it should load only when first used)"
    else
        echo "  $lib is not mapped"
    fi
done
