#!/bin/sh
# Measures the CPU time textreel uses while the story waits on the clock: a run of `$wait 5000`
# lines, and a `synctiming` one minute after its `syncstart`. The bar is under 1% of one core.
# Usage: bench/wait_cpu.sh [BINARY] [SECONDS]
# The scenario lines below are passed as they are: their $ starts a story command, not a variable.
# shellcheck disable=SC2016
set -eu
cd "$(dirname "$0")/.."
. bench/proc_figures.sh
cpu_bench_start 8 "$@"

set -- '時計だけが進む。'
for _ in $(seq 30); do
    set -- "$@" '$wait 5000'
done
cpu_title "$WORK/wait" wait - "$@" '$S'
cpu_title "$WORK/synctiming" synctiming - '時計だけが進む。' '$syncstart' '$synctiming 150000' '$syncexit' '$S'

measure_headless 22 "during \$wait 5000" "$WORK/wait"
measure_headless 22 "during synctiming" "$WORK/synctiming"
