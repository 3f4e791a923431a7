#!/bin/sh
# Explores the 20,000-line synthetic title that tools/make_corpus writes, its 40,000-line title of
# the affection shape (120 choices in a row over 4 counters), and the demo, and prints each one's
# wall time and report. The bars: the corpus and the affection title in under 60 s, the demo in
# under 10 s, all with every choice entry taken and no fault.
# Usage: bench/explore_corpus.sh [BINARY] [MAKE_CORPUS]
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
MAKE_CORPUS=$(realpath "${2:-$(dirname "$BINARY")/make_corpus}")
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
"$MAKE_CORPUS" "$WORK/corpus" 2>/dev/null | tail -1
"$MAKE_CORPUS" --shape affection "$WORK/affection" 2>/dev/null | tail -1
for title in "$WORK/corpus" "$WORK/affection" demo; do
    start=$(date +%s.%N)
    code=0
    XDG_RUNTIME_DIR=$WORK TMPDIR=$WORK "$BINARY" --explore --max-seconds 600 "$title" >"$WORK/report" 2>/dev/null ||
        code=$?
    end=$(date +%s.%N)
    echo "explore $(basename "$title"): $(echo "$end - $start" | bc) s, exit $code"
    tail -2 "$WORK/report"
done
