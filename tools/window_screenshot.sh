#!/bin/sh
# Plays a title in a real SDL window under Xvfb, with the events given, and takes a picture of the
# whole X screen (window included) as a PNG: a check of what a player sees, beyond the headless
# framebuffer. Needs Xvfb and xwd (packages xvfb, x11-apps).
# Usage: tools/window_screenshot.sh BINARY TITLE EVENTS OUT.png [SECONDS]
# TITLE - starts textreel with no title (the launcher), in an empty folder. TEXTREEL_SCREEN sets the
# X screen's size (default 1024x768x24), e.g. 1920x1080x24 for full screen on a wide display.
set -eu
BINARY=$1
TITLE=$2
EVENTS=$3
OUT=$4
SECONDS_BEFORE=${5:-5}
# textreel runs in a folder of its own: the paths given are taken from here.
case $TITLE in /* | -) ;; *) TITLE=$(pwd)/$TITLE ;; esac
case $EVENTS in /*) ;; *) EVENTS=$(pwd)/$EVENTS ;; esac
WORK=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$WORK"' EXIT
Xvfb :94 -screen 0 "${TEXTREEL_SCREEN:-1024x768x24}" >/dev/null 2>&1 &
xvfb=$!
sleep 1
if [ "$TITLE" = - ]; then set --; else set -- "$TITLE"; fi
(cd "$WORK" && DISPLAY=:94 SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$WORK timeout $((SECONDS_BEFORE + 10)) \
    "$BINARY" --events "$EVENTS" "$@" >/dev/null 2>&1) &
sleep "$SECONDS_BEFORE"
DISPLAY=:94 xwd -root -silent >"$WORK/screen.xwd"
python3 - "$WORK/screen.xwd" "$OUT" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
f = struct.unpack(">25I", data[:100])
header, width, height, bits, stride, colours = f[0], f[4], f[5], f[11], f[12], f[19]
start = header + colours * 12
step = bits // 8
rows = []
for y in range(height):
    line = data[start + y * stride: start + y * stride + width * step]
    rows.append(b"\0" + b"".join(bytes((line[i + 2], line[i + 1], line[i])) for i in range(0, width * step, step)))
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b"")
open(sys.argv[2], "wb").write(png)
PY
echo "wrote $OUT"
