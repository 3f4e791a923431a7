#!/bin/sh
# Measures the CPU time textreel uses while a line is drawn at 40 ms per character, and while it
# waits at a click with the wait icon animating. Usage: bench/text_cpu.sh [BINARY] [SECONDS]
# The scenario lines below are passed as they are: their $ starts a story command, not a variable.
# shellcheck disable=SC2016
set -eu
cd "$(dirname "$0")/.."
. bench/proc_figures.sh
cpu_bench_start 6 "$@"

# Two titles: one long line (over 12 s at 40 ms per character), and a short line then a click wait.
cpu_title "$WORK/drawing" drawing 40 "$(printf 'ゆっくりと文字が流れていく。%.0s' $(seq 25))" '$S'
cpu_title "$WORK/waiting" waiting 40 'クリックを待っています。' '$C' '$S'

measure_headless 28 "drawing at 40 ms per char" "$WORK/drawing"
measure_headless 28 "waiting, icon animating" "$WORK/waiting"
