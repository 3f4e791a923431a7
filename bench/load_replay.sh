#!/bin/sh
# Measures a load whose replay draws a whole 20-line page again: the time from the click on the
# slot until the game is back at the saved line and takes input (the trace's `load` event), at
# 800 x 600, and the replay's part of it: from the first replayed line to that event (the rest is
# the restored background's transition 3, whose pace is fixed). The bar is 150 ms. Usage: bench/load_replay.sh [BINARY] [RUNS]
set -eu
cd "$(dirname "$0")/.."
BINARY=$(realpath "${1:-build/release/textreel}")
RUNS=${2:-5}
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
TITLE=$WORK/title
mkdir -p "$TITLE/cg/menu"
cp tests/e2e/titles/save-load/title.ist tests/e2e/titles/save-load/cg/menu/*.bmp "$TITLE/cg/menu/" 2>/dev/null || true
mv "$TITLE/cg/menu/title.ist" "$TITLE/"
cp demo/cg/menu/save_off.png demo/cg/menu/save_on.png demo/cg/menu/load_off.png demo/cg/menu/load_on.png \
    "$TITLE/cg/menu/"
python3 - "$TITLE" <<'PY'
import sys
lines = ["$windowopen", "$fill white", "最初のページ。", "$C", "$P"]
lines += ["%d行目、ページいっぱいに並ぶ文章です。" % (i + 1) for i in range(20)]
lines += ["$C", "$S"]
open(sys.argv[1] + "/t.txt", "wb").write("".join(l + "\r\n" for l in lines).encode("cp932"))
PY
printf 'rclick 0 0\nwait\nclick 400 300\nwait\nclick 400 300\nwait\nclick 400 590\nwait\nclick 100 200\nwait\nclose\n' >"$WORK/save.events"
XDG_RUNTIME_DIR=$WORK "$BINARY" --headless --events "$WORK/save.events" "$TITLE" >/dev/null 2>&1
printf 'rclick 0 0\nwait\nclick 545 590\nwait\nclick 100 200\nwait\nclose\n' >"$WORK/load.events"
i=0
while [ $i -lt "$RUNS" ]; do
    XDG_RUNTIME_DIR=$WORK "$BINARY" --headless --events "$WORK/load.events" --trace "$WORK/trace" "$TITLE" \
        >/dev/null 2>&1
    python3 - "$WORK/trace" <<'PY'
import json, sys
events = [json.loads(l) for l in open(sys.argv[1], encoding="utf-8")]
click = next(e["ms"] for e in events if e.get("command") == "click 100 200")
load = next(e for e in events if e["event"] == "load")
texts = [e["ms"] for e in events if e["event"] == "text" and e["ms"] >= click]
print("load of a %d-line replay: %d ms from the click, the replay %d ms (ok %s)" %
      (len(texts), load["ms"] - click, load["ms"] - texts[0] if texts else -1, load["ok"]))
PY
    i=$((i + 1))
done
