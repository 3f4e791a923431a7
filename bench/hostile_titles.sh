#!/usr/bin/env bash
# Peak resident memory of the headless engine on hostile titles: the largest pictures it accepts
# as background, sprites and masks, header bombs, a picture file over 64 MB, a PNG of thousands of
# compressed text chunks, a Matroska movie of a hundred compressed codec headers, scenarios of 50 MB
# (many lines, and one line) and 1 GB, Ogg files with a 200 MB comment packet and with 255
# channels, WAV files of 256 and 300 MB for every sound command, the largest window, an instance
# file and scenario that are links out of the folder, an endless jump loop under --trace, and
# floods: a jump cycle over 5,000 labels, `$URLOpen file:///…` and `$wave ..\..\x` in loops.
# Builds the titles in a temporary folder, plays each one to its end with an events file, and
# prints each title's peak RSS and wall time, and how long a SIGTERM sent while its files load
# takes to end a second run. Every title but the largest window (whose surfaces are what its size
# asks for) must stay under 200 MB, every SIGTERM must end its run within 1 s, the links must be
# refused, the loop's trace must grow by less than 1 MB/s, each flood's trace and stderr by less
# than 100 KB/s, a flood whose stderr and text stream go into a pipe of one page that nobody reads
# must end within 1 s of SIGTERM too, and the whole run must take under 60 s.
# Saves and settings: a `save` link to another title's save folder (nothing there may change; the
# saves go to the user's data folder), a shipped sparse env.dat of 4 GB with a `recflag` loop over an
# 8 MB scenario (the file is kept aside as env.dat.bad; env.dat is written about once a second, so
# the bytes written stay under the scenario's size for each second and three more), and a quick
# save and load after a line of 60 MB (the resume point is searched in place). The runs get their
# own XDG_DATA_HOME and XDG_CONFIG_HOME.
#
#   bench/hostile_titles.sh [path/to/textreel] [path/to/make_hostile_sounds]
#       (defaults: build/release/textreel, and make_hostile_sounds beside it)
set -euo pipefail

BIN=${1:-build/release/textreel}
LIMIT_KB=$((200 * 1024))
[ -x "$BIN" ] || { echo "no textreel binary at $BIN (build first)"; exit 2; }
BIN=$(realpath "$BIN")
SOUNDS=${2:-$(dirname "$BIN")/make_hostile_sounds}
[ -x "$SOUNDS" ] || { echo "no make_hostile_sounds at $SOUNDS (build the tools first)"; exit 2; }
STARTED=$(date +%s.%N)
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
title("50mb-one-line", W, H, ["start", ";" + "x" * (50 << 20), "end", "$S"], {})

def sparse(path, size, head=b""):
    """A file of size bytes that starts with head and takes no room on disk beyond it."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(head)
        f.truncate(size)

title("1gb-scenario", W, H, [], {})
sparse(os.path.join(work, "1gb-scenario", "scenario.txt"), 1 << 30, b"start\r\nend\r\n$S\r\n")

# 2,000 zTXt chunks, each inflating to 7.9 MB, before the pixels.
ztxt = chunk(b"zTXt", b"Comment\x00\x00" + zlib.compress(b"\x00" * (7900 << 10), 9))
plain = png_bomb(W, H)
bomb = plain[:33] + ztxt * 2000 + plain[33:]
title("png-text-chunks", W, H, ["start", "$effect 1", "$imgblt bg\\text.png", "$sprite 0 0 chr\\text.png", "end", "$S"],
      {"bg/text.png": bomb, "chr/text.png": bomb})

def ebml(ident, body):
    return ident + b"\x01" + len(body).to_bytes(7, "big") + body

def uint(ident, v):
    return ebml(ident, v.to_bytes(8, "big"))

# A Matroska file (named .mpg) whose 100 tracks carry 9 MB of zlib-compressed codec header each.
private = zlib.compress(b"\x00" * (9 << 20), 9)
track = lambda n: ebml(b"\xAE", uint(b"\xD7", n) + uint(b"\x73\xC5", n) + uint(b"\x83", 1)
                       + ebml(b"\x86", b"V_MPEG4/ISO/AVC") + ebml(b"\xE0", uint(b"\xB0", 64) + uint(b"\xBA", 48))
                       + ebml(b"\x6D\x80", ebml(b"\x62\x40", uint(b"\x50\x31", 0) + uint(b"\x50\x32", 2)
                                                   + uint(b"\x50\x33", 0) + ebml(b"\x50\x34", uint(b"\x42\x54", 0))))
                       + ebml(b"\x63\xA2", private))
mkv = (ebml(b"\x1A\x45\xDF\xA3", uint(b"\x42\x86", 1) + uint(b"\x42\xF7", 1) + uint(b"\x42\xF2", 4)
            + uint(b"\x42\xF3", 8) + ebml(b"\x42\x82", b"matroska") + uint(b"\x42\x87", 4) + uint(b"\x42\x85", 2))
       + ebml(b"\x18\x53\x80\x67", ebml(b"\x15\x49\xA9\x66", uint(b"\x2A\xD7\xB1", 1000000))
              + ebml(b"\x16\x54\xAE\x6B", b"".join(track(n) for n in range(1, 101)))
              + ebml(b"\x1F\x43\xB6\x75", uint(b"\xE7", 0) + ebml(b"\xA3", b"\x81\x00\x00\x80" + b"\x00" * 16))))
title("movie-codec-headers", W, H, ["start", "$movieplay movie\\bomb.mpg", "end", "$S"], {"movie/bomb.mpg": mkv})

def wav_header(data_bytes, rate=44100, channels=2):
    return (b"RIFF" + struct.pack("<I", 36 + data_bytes) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, channels, rate,
            rate * channels * 2, channels * 2, 16) + b"data" + struct.pack("<I", data_bytes))

# A 256 MB WAV for every sound command, and a 300 MB one as music (silence, sparse on disk).
title("wav-256mb", W, H, ["start", "$BGMWave bgm\\big.wav", "$talk voice\\big.wav", "$wave se\\big.wav",
                          "playing", "$OGGPlay bgm\\long.wav", "music", "end", "$S"], {})
for path in ("bgm/big.wav", "voice/big.wav", "se/big.wav"):
    sparse(os.path.join(work, "wav-256mb", path), 256 << 20, wav_header((256 << 20) - 44))
sparse(os.path.join(work, "wav-256mb", "bgm", "long.wav"), 300 << 20, wav_header((300 << 20) - 44))

# Ogg files are made by make_hostile_sounds (below); these titles name them.
title("ogg-comments", W, H, ["start", "$OGGPlay bgm\\c.ogg", "$talk voice\\c.ogg", "$wave se\\c.ogg", "end", "$S"], {})
title("ogg-255-channels", W, H, ["start", "$wave se\\ch.ogg", "$talk voice\\ch.ogg", "$OGGPlay bgm\\ch.ogg", "end", "$S"], {})

# The instance file and the scenario are links to files outside the folder.
outside = os.path.join(work, ".outside")  # a dot folder: not one of the titles
os.makedirs(outside, exist_ok=True)
with open(os.path.join(outside, "secret.ist"), "wb") as f:
    f.write(b'InstanceName="hostile-outside"\r\nWindowName="outside"\r\n')
with open(os.path.join(outside, "secret.txt"), "wb") as f:
    f.write(b"OUTSIDE TEXT\r\n$S\r\n")
title("links-out", W, H, [], {})
for name, target in (("title.ist", "secret.ist"), ("scenario.txt", "secret.txt")):
    os.remove(os.path.join(work, "links-out", name))
    os.symlink(os.path.join(outside, target), os.path.join(work, "links-out", name))

title("jump-loop", W, H, ["start", ":loop", "$jmp loop"], {})
cycle = []
for i in range(5000):
    cycle += [":l%d" % i, "$jmp l%d" % ((i + 1) % 5000)]
title("flood-jump-cycle", W, H, cycle, {})
title("flood-urlopen", W, H, ["start", ":a", "$URLOpen file:///etc/passwd", "$jmp a"], {})
title("flood-wave", W, H, ["start", ":a", "$wave ..\\..\\x", "$jmp a"], {})

# A "save" link to another title's save folder.
other = os.path.join(work, ".other-save")
os.makedirs(other, exist_ok=True)
for name in ("env.dat", "quick.sav", "auto.sav", "quick.sav.new"):
    with open(os.path.join(other, name), "wb") as f:
        f.write(b"other title's")
title("save-link-out", W, H, ["start", "end", "$S"], {})
os.symlink(other, os.path.join(work, "save-link-out", "save"))
# A 4 GB env.dat (sparse) and a record flag set in a loop over an 8 MB scenario.
title("4gb-env-dat-recflag", W, H, ["start", ":loop", "$recflag 1", "$jmp loop"], {}, pad_to=8 << 20)
sparse(os.path.join(work, "4gb-env-dat-recflag", "save", "env.dat"), 4 << 30, b"\xc8\0\0\0")
title("60mb-line-quick-load", W, H, ["start", ";" + "x" * (60 << 20), "end", "$S"], {})
title("largest-window", 4096, 4096, ["start", "$effect 1", "$imgblt bg\\big.png", "end", "$S"],
      {"bg/big.png": png_bomb(2 * W, 2 * H)})
PY
for d in ogg-comments ogg-255-channels; do mkdir -p "$WORK/$d/bgm" "$WORK/$d/voice" "$WORK/$d/se"; done
"$SOUNDS" comments 50000000 "$WORK/ogg-comments/bgm/c.ogg"
"$SOUNDS" channels 255 1 "$WORK/ogg-255-channels/bgm/ch.ogg"
for d in ogg-comments:c ogg-255-channels:ch; do
    for sub in voice se; do ln "$WORK/${d%%:*}/bgm/${d#*:}.ogg" "$WORK/${d%%:*}/$sub/${d#*:}.ogg"; done
done

printf 'rclick 0 0\n' > "$WORK/events-common"
# Each load-failure box waits for a click; the stops take one too.
for i in 1 2 3 4 5 6; do printf 'wait\nclick 1 1\n' >> "$WORK/events-common"; done
printf 'wait\nclose\n' >> "$WORK/events-common"

# Two seconds of the loop after the logo (the story never waits, so no `wait` would return).
printf 'rclick 0 0\nsleep 2000\nclose\n' > "$WORK/events-loop"
# F5 where the story stops.
printf 'rclick 0 0\nwait\nkey F5\nwait\nclose\n' > "$WORK/events-save"
# F5 after the long line, F9 back to it.
printf 'rclick 0 0\nwait\nkey F5\nwait\nkey F9\nwait\nclose\n' > "$WORK/events-reload"
export XDG_DATA_HOME="$WORK/.data" XDG_CONFIG_HOME="$WORK/.config"

status=0
printf '%-20s %12s %8s %7s %s\n' title "peak RSS" seconds SIGTERM result
for dir in "$WORK"/*/; do
    name=$(basename "$dir")
    runtime="$WORK/runtime-$name"
    mkdir -p "$runtime"
    events="$WORK/events-common"
    case "$name" in
        jump-loop | flood-* | 4gb-env-dat-recflag) events="$WORK/events-loop" ;;
        save-link-out) events="$WORK/events-save" ;;
        60mb-line-quick-load) events="$WORK/events-reload" ;;
    esac
    trace="$WORK/trace-$name.jsonl"
    begun=$(date +%s.%N)
    set +e
    XDG_RUNTIME_DIR="$runtime" /usr/bin/time -f '%O\n%M' -o "$WORK/rss-$name" \
        timeout 30 "$BIN" --headless --events "$events" --trace "$trace" "$dir" \
        2>"$WORK/stderr-$name" >/dev/null
    code=$?
    set -e
    seconds=$(echo "$(date +%s.%N) - $begun" | bc)
    kb=$(tail -1 "$WORK/rss-$name")
    written=$(($(tail -2 "$WORK/rss-$name" | head -1) * 512))
    verdict="ok"
    if [ "$name" = "largest-window" ]; then
        # Its six screen-sized surfaces are what the window size asks for; shown, not judged.
        verdict="(the screen's own surfaces; not judged)"
    elif [ "$kb" -ge "$LIMIT_KB" ]; then
        verdict="OVER the limit"
        status=1
    fi
    if [ "$name" = "links-out" ]; then
        if grep -q '"event":"refused".*title.ist' "$trace" && grep -q '"event":"refused".*scenario.txt' "$trace" &&
            ! grep -q OUTSIDE "$trace"; then
            verdict="$verdict; both links refused"
        else
            verdict="$verdict; a link out was READ"
            status=1
        fi
    fi
    if [ "$name" = "jump-loop" ]; then
        bytes=$(stat -c %s "$trace")
        verdict="$verdict; trace $((bytes / 2)) bytes/s"
        if [ "$bytes" -ge $((2 * 1024 * 1024)) ]; then
            verdict="$verdict: OVER 1 MB/s"
            status=1
        fi
    fi
    case "$name" in flood-*)
        bytes=$(($(stat -c %s "$trace") + $(stat -c %s "$WORK/stderr-$name")))
        verdict="$verdict; trace+stderr $((bytes / 2)) bytes/s"
        if [ "$bytes" -ge $((2 * 100 * 1024)) ]; then
            verdict="$verdict: OVER 100 KB/s"
            status=1
        fi
        ;;
    esac
    if [ "$name" = "save-link-out" ]; then
        if [ "$(cat "$WORK/.other-save/"* | tr -d '\n')" = "other title's""other title's""other title's""other title's" ] &&
            [ "$(ls "$WORK/.other-save" | wc -l)" -eq 4 ] && ls "$WORK/.data/textreel/"hostile-save-link-out@*/quick.sav >/dev/null 2>&1; then
            verdict="$verdict; the other title's saves untouched"
        else
            verdict="$verdict; the other title's saves were WRITTEN"
            status=1
        fi
    fi
    if [ "$name" = "4gb-env-dat-recflag" ]; then
        size=$(stat -c %s "$dir/scenario.txt")
        verdict="$verdict; $((written >> 20)) MB written"
        if [ ! -f "$dir/save/env.dat.bad" ] || [ "$(stat -c %s "$dir/save/env.dat")" -ne $((size + 64)) ]; then
            verdict="$verdict; the 4 GB env.dat was NOT kept aside"
            status=1
        elif [ "$written" -gt $(((${seconds%.*} + 3) * size)) ]; then
            verdict="$verdict: OVER one write a second"
            status=1
        fi
    fi
    if [ "$code" -ne 0 ]; then
        verdict="$verdict (exit $code)"
        status=1
    fi
    # A flood's second run writes its stderr and text stream (--text-out -) into a pipe of one
    # page that nobody reads; SIGTERM a second in must still end it within 1 s.
    case "$name" in flood-*)
        term=$(XDG_RUNTIME_DIR="$runtime" python3 - "$BIN" "$dir" "$events" <<'PY'
import fcntl, os, signal, subprocess, sys, time
binary, title, events = sys.argv[1:4]
r, w = os.pipe()
fcntl.fcntl(w, 1031, 4096)  # F_SETPIPE_SZ: one page
p = subprocess.Popen([binary, "--headless", "--events", events, "--text-out", "-", title], stdout=w, stderr=w)
os.close(w)
time.sleep(1.0)
sent = time.time()
p.send_signal(signal.SIGTERM)
try:
    p.wait(5)
except subprocess.TimeoutExpired:
    p.kill()
    p.wait()
print("%.2f" % (time.time() - sent))
PY
)
        if [ "$(echo "$term >= 1" | bc)" -eq 1 ]; then
            verdict="$verdict; SIGTERM with a stopped reader took OVER 1 s"
            status=1
        fi
        printf '%-20s %9d KB %8.1f %7s %s\n' "$name" "$kb" "$seconds" "$term" "$verdict"
        continue
        ;;
    esac
    # SIGTERM 0.5 s into a second run, while the title's files load: the process must be gone
    # within 1 s.
    set +e
    XDG_RUNTIME_DIR="$runtime" "$BIN" --headless --events "$events" "$dir" >/dev/null 2>&1 &
    pid=$!
    sleep 0.5
    term="-"
    if kill -TERM "$pid" 2>/dev/null; then
        sent=$(date +%s.%N)
        wait "$pid"
        term=$(printf '%.2f' "$(echo "$(date +%s.%N) - $sent" | bc)")
        if [ "$(echo "$term >= 1" | bc)" -eq 1 ]; then
            verdict="$verdict; SIGTERM took OVER 1 s"
            status=1
        fi
    else
        wait "$pid"
    fi
    set -e
    printf '%-20s %9d KB %8.1f %7s %s\n' "$name" "$kb" "$seconds" "$term" "$verdict"
done
total=$(echo "$(date +%s.%N) - $STARTED" | bc)
printf 'whole run: %.1f s' "$total"
if [ "$(echo "$total >= 60" | bc)" -eq 1 ]; then
    printf ' (OVER 60 s)'
    status=1
fi
printf '\n'
exit $status
