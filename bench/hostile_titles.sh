#!/usr/bin/env bash
# Peak resident memory of the headless engine on hostile titles: the largest pictures it accepts
# as background, sprites and masks, header bombs, a picture file over 64 MB, a 50 MB scenario and
# the largest window. Builds the titles in a temporary folder, plays each one to its end with an
# events file, and prints each title's peak RSS. Every title but the largest window (whose
# surfaces are what its size asks for) must stay under 200 MB.
#
#   bench/hostile_titles.sh [path/to/textreel]     (default: build/dev/textreel)
set -euo pipefail

BIN=${1:-build/dev/textreel}
LIMIT_KB=$((200 * 1024))
[ -x "$BIN" ] || { echo "no textreel binary at $BIN (build first)"; exit 2; }
BIN=$(realpath "$BIN")
HERE=$(cd "$(dirname "$0")/.." && pwd)
WORK=$(mktemp -d "${TMPDIR:-/tmp}/textreel-hostile-XXXXXX")
[ -n "${KEEP_WORK:-}" ] && echo "titles kept in $WORK" || trap 'rm -rf "$WORK"' EXIT

python3 - "$WORK" "$HERE" <<'PY'
import os, random, shutil, struct, sys, zlib

work, repo = sys.argv[1], sys.argv[2]
rng = random.Random(7)

def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

def png_noise(width, height):
    """A picture of random pixels: it compresses poorly, so the file is as large as it gets."""
    row = width * 3
    raw = b"".join(b"\x00" + rng.randbytes(row) for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 1)) + chunk(b"IEND", b""))

def png_bomb(width, height):
    """A few hundred bytes that inflate to width x height pixels of zeros."""
    row = b"\x00" * (width * 3 + 1)
    z = zlib.compressobj(9)
    data = b"".join(z.compress(row) for _ in range(min(height, 64))) + z.flush()
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", data) + chunk(b"IEND", b""))

def bmp(width, height):
    stride = (width * 3 + 3) & ~3
    pixels = bytes((x * 7 + y) & 0xFF for y in range(height) for x in range(stride))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 0, 0, 0, 0)
    return header + info + pixels

def title(name, width, height, lines, files, pad_to=0):
    root = os.path.join(work, name)
    os.makedirs(os.path.join(root, "cg", "menu"), exist_ok=True)
    shutil.copy(os.path.join(repo, "demo", "cg", "menu", "logo.bmp"), os.path.join(root, "cg", "menu", "logo.bmp"))
    with open(os.path.join(root, "title.ist"), "wb") as f:
        f.write(('InstanceName="hostile-%s"\r\nWindowName="%s"\r\nWindowWidth="%d"\r\nWindowHeight="%d"\r\n'
                 % (name, name, width, height)).encode())
    text = ("\r\n".join(lines) + "\r\n").encode()
    if pad_to > len(text):
        filler = b";" + b"x" * 77 + b"\r\n"
        text += filler * ((pad_to - len(text)) // len(filler))
    with open(os.path.join(root, "scenario.txt"), "wb") as f:
        f.write(text)
    for path, data in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)

W, H = 640, 480
# The largest picture accepted: four screens' worth of pixels.
big = png_noise(2 * W, 2 * H)
title("largest-pictures", W, H,
      ["start", "$effect 1", "$imgblt bg\\big.png", "$sprite 0 0 chr\\wide.png", "$sprite 1 100 chr\\wide.png",
       "$maskefct mask\\wipe.bmp", "$effect 21", "$imgblt bg\\big.png", "end", "$S"],
      {"bg/big.png": big, "chr/wide.png": big, "mask/wipe.bmp": bmp(W, H)})
title("header-bombs", W, H,
      ["start", "$effect 1", "$imgblt bg\\bomb.png", "$imgblt bg\\side.png", "$sprite 0 0 bg\\bomb.png", "end", "$S"],
      {"bg/bomb.png": png_bomb(8192, 8192), "bg/side.png": png_bomb(8193, 1)})
# A file over 64 MB named .png, and one just under it that inflates to the pixel limit.
huge = bytearray(png_bomb(2 * W, 2 * H))
title("huge-files", W, H,
      ["start", "$effect 1", "$imgblt bg\\huge.png", "$imgblt bg\\padded.png", "end", "$S"],
      {"bg/huge.png": bytes(huge) + b"\x00" * (65 << 20),
       "bg/padded.png": bytes(huge[:-12]) + chunk(b"zzZz", b"\x00" * (60 << 20)) + bytes(huge[-12:])})
title("50mb-scenario", W, H, ["start", "$C", "end", "$S"], {}, pad_to=50 << 20)
title("largest-window", 4096, 4096, ["start", "$effect 1", "$imgblt bg\\big.png", "end", "$S"],
      {"bg/big.png": png_bomb(2 * W, 2 * H)})
PY

printf 'rclick 0 0\n' > "$WORK/events-common"
# Each load-failure box waits for a click; the stops take one too.
for i in 1 2 3 4 5 6; do printf 'wait\nclick 1 1\n' >> "$WORK/events-common"; done
printf 'wait\nclose\n' >> "$WORK/events-common"

status=0
printf '%-20s %12s %s\n' title "peak RSS" result
for dir in "$WORK"/*/; do
    name=$(basename "$dir")
    runtime="$WORK/runtime-$name"
    mkdir -p "$runtime"
    set +e
    XDG_RUNTIME_DIR="$runtime" /usr/bin/time -f '%M' -o "$WORK/rss-$name" \
        timeout 120 "$BIN" --headless --events "$WORK/events-common" --trace "$WORK/trace-$name.jsonl" "$dir" \
        2>"$WORK/stderr-$name" >/dev/null
    code=$?
    set -e
    kb=$(tail -1 "$WORK/rss-$name")
    verdict="ok"
    if [ "$name" = "largest-window" ]; then
        # Its six screen-sized surfaces are what the window size asks for; shown, not judged.
        verdict="(the screen's own surfaces; not judged)"
    elif [ "$kb" -ge "$LIMIT_KB" ]; then
        verdict="OVER the limit"
        status=1
    fi
    if [ "$code" -ne 0 ]; then
        verdict="$verdict (exit $code)"
        status=1
    fi
    printf '%-20s %9d KB %s\n' "$name" "$kb" "$verdict"
done
exit $status
