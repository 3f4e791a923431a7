#!/usr/bin/env python3
"""Writes the small broken titles of tests/check/titles: one title per kind of finding of
`textreel --check`. Scenarios are written here in UTF-8 and stored in Shift-JIS (CP932) with CR LF
line ends. Each title's expected findings are kept beside it in expected.check (not written here)."""
import os
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "check", "titles")


def png(width, height, colour=(40, 80, 120)):
    raw = b"".join(b"\x00" + bytes(colour) * width for _ in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp(width, height, bits=24, palette=b""):
    stride = (width * bits // 8 + 3) // 4 * 4
    pixels = b"\x00" * (stride * height)
    offset = 54 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 0, 0, 0, 0)
    return header + info + palette + pixels


def title(name, instance, scenario, files=None):
    folder = os.path.join(ROOT, name)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "title.ist"), "wb") as f:
        f.write(instance.encode("cp932"))
    if scenario is not None:
        with open(os.path.join(folder, "scenario.txt"), "wb") as f:
            f.write(scenario.replace("\n", "\r\n").encode("cp932"))
    for path, data in (files or {}).items():
        full = os.path.join(folder, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)


def ist(name, w=800, h=600, extra=""):
    return f'InstanceName="check-{name}"\r\nWindowWidth="{w}"\r\nWindowHeight="{h}"\r\n{extra}'


def main():
    title("jump-label", ist("jump-label"),
          "$jmp start\n"
          ":start\n"
          "$eventjudge 3 later \n"
          "$pointjudge 2 5 nowhere\n"
          "$jmp later return back \n"
          ":later\n"
          ":back\n"
          "$jmp missing\n"
          "$jmp last\n"
          ":last")
    title("label-twice", ist("label-twice"),
          ":scene\n"
          "最初の場面。\n"
          "$C\n"
          ":scene\n"
          "二度目の場面。\n"
          "$C\n")
    title("label-prefix", ist("label-prefix"),
          "$jmp end\n"
          ":ending\n"
          "エンディング。\n"
          "$S\n"
          ":end\n"
          "おわり。\n"
          "$S\n")
    title("menu-no-end", ist("menu-no-end"),
          "$selarea bg.png\n"
          "(0,0,399,599,left,0)\n"
          "(400,0,799,599,right,0)\n"
          ":left\n"
          ":right\n",
          {"bg.png": png(800, 600)})
    title("menu-malformed", ist("menu-malformed"),
          "$selarea bg.png\n"
          "(0,0,399,599,left,0)\n"
          "(400,0,12345,599,right,0)\n"
          "(0,0,1,1,left,0)\n"
          "selend\n"
          ":left\n"
          "$selword\n"
          "left,0,はい\n"
          "selend\n"
          ":right\n"
          "$S\n",
          {"bg.png": png(800, 600), "cg/menu/menubar.bmp": bmp(400, 35)})
    title("menu-label", ist("menu-label"),
          "$selword\n"
          "(yes,0,はい)\n"
          "(no ,0,いいえ)\n"
          "(*GameLoad,0,ロード)\n"
          "(yes,0,Yes)\n"
          "selend\n"
          ":yes\n"
          ":no\n"
          "$S\n",
          {"cg/menu/menubar.bmp": bmp(400, 35)})
    title("picture-missing", ist("picture-missing"),
          "$imgblt bg\\room.png \n"
          "$imgblt bg\\rooom.png\n"
          "$imgblt cg\\title.png\n"
          "$imgblt ..\\outside.png\n"
          "$S\n",
          {"bg/room.png": png(800, 600), "cg\\title.png": png(800, 600)})
    with open(os.devnull, "wb"):
        pass
    good = png(800, 600)
    title("picture-bad", ist("picture-bad"),
          "$imgblt bg\\text.png\n"
          "$imgblt bg\\cut.png\n"
          "$imgblt bg\\small.png\n"
          "$ccblt bg\\single.png\n"
          "$sprite 0 100 chr\\odd.png\n"
          "$sprite 2 100 chr\\even.png\n"
          "$S\n",
          {"bg/text.png": b"not a picture at all", "bg/cut.png": good[:len(good) // 2],
           "bg/small.png": png(640, 480), "bg/single.png": png(800, 600), "chr/odd.png": png(301, 400),
           "chr/even.png": png(300, 400)})
    title("mask-bad", ist("mask-bad"),
          "$maskefct mask\\wipe.bmp\n"
          "$maskefct mask\\none.bmp\n"
          "$S\n",
          {"mask/wipe.bmp": bmp(800, 600, 24)})
    title("window-parts", ist("window-parts"),
          "$windowopen\n"
          "$S\n",
          {"cg/menu/waiticon.bmp": bmp(32, 32), "cg/menu/bar_a.bmp": bmp(1600, 180)})
    title("sound-missing", ist("sound-missing", extra='BGMType="WAVE"\r\n'),
          "$OGGPlay bgm\\theme.ogg\n"
          "$wave se\\door.wav\n"
          "$talk voice\\a.ogg\n"
          "$movieplay movie\\op.mpg\n"
          "$movieplay movie\\ed.mpg\n"
          "$cdda 2\n"
          "$OGGPlay STOP\n"
          "$S\n",
          {"voice/a.ogg": b"RIFF this is no ogg", "movie/ed.mpg": b"this is no movie"})
    title("instance-bad",
          'InstanceName="check-instance-bad"\r\nWindowWidth=800\r\nWindowheight="600"\r\nGameType="abc"\r\n'
          'BGMType="wave"\r\nWindowName="名前\r\n',
          "$S\n")
    title("size-bad", 'InstanceName="check-size-bad"\r\nWindowWidth="802"\r\nWindowHeight="600"\r\n', "$S\n")
    title("keyword-capture", ist("keyword-capture"),
          "$talk voice\\wave01.ogg\n"
          "$imgblt bg\\effect.png\n"
          "$imgbltt bg\\room.png\n"
          "$nonsense\n"
          "$S\n",
          # A real voice: the checker opens sounds as the engine does, headers and all.
          {"voice/wave01.ogg": open(os.path.join(ROOT, "..", "..", "..", "demo", "voice", "v02.ogg"), "rb").read(),
           "bg/effect.png": png(800, 600), "bg/room.png": png(800, 600)})
    title("text", ist("text", 640, 480),
          "短い行。\n"
          "この行は六百四十ピクセルの画面には長すぎるので右端が切れてしまいます。\n"
          "; コメントの中の$Cも待つ\n"
          "ここまで表示$Cされない\n"
          + "あ" * 600 + "\n"
          "$S\n")
    with open(os.path.join(ROOT, "text", "scenario.txt"), "ab") as f:
        f.write(b"bad \x85\x20 byte\r\n$S\r\n")
    title("unreachable", ist("unreachable"),
          "$jmp next\n"
          "決して表示されない。\n"
          "$C\n"
          ":next\n"
          "$selword\n"
          "(a,0,あ)\n"
          "selend\n"
          "ここも届かない。\n"
          ":a\n"
          "$S\n",
          {"cg/menu/menubar.bmp": bmp(400, 35)})
    title("indexes", ist("indexes"),
          "$eventflag 45\n"
          "$pointflag 25 3\n"
          "$recflag 20\n"
          "$random 3 1000\n"
          "$flagselect (a.png,b.png,c.png) CGMODE\n"
          "(0,0,99,99,done,30,\n"
          "$flagselend\n"
          ":done\n"
          "$S\n",
          {"a.png": png(800, 600), "b.png": png(800, 600), "c.png": png(800, 600)})
    title("text-wide", ist("text-wide"),
          "あ" * 37 + "\n" + "あ" * 38 + "\n" + "あ" * 39 + "\n" + "abc" * 30 + "\n$S\n")
    title("text-over-text", ist("text-over-text"),
          "猫が窓辺に跳び乗った。\n$C\n$pointflag 1 1\n$jmp after\n:alone\n海が光った。\n$P\n$jmp after\n"
          ":after\n; 揺れる\n$subef 1\n列車が揺れた。\n$C\n$jmp dark\n:dark\n$fill black\n暗くなった。\n$S\n")
    title("utf8", ist("utf8"), None)
    with open(os.path.join(ROOT, "utf8", "scenario.txt"), "wb") as f:
        f.write("\ufeff$jmp next\r\n:next\r\n夜明けの列車。\r\n$S\r\n".encode("utf-8"))
    title("settings-bad", ist("settings-bad"), "ここは読める。\n$S\n",
          {"textreel.ini": b"[text]\r\nencoding = latin-1\r\nwrap = word\r\nlatin = proportional\r\n"
                           b"size = 24\r\n[sound]\r\nvolume = 3\r\n"})
    title("utf8-text", ist("utf8-text"), None,
          {"textreel.ini": b"[text]\nencoding = utf-8\nwrap = words\n"})
    with open(os.path.join(ROOT, "utf8-text", "scenario.txt"), "wb") as f:
        f.write("Поезд шёл вдоль моря, пока небо медленно становилось золотым, и пассажиры просыпались.\r\n"
                "$C\r\n".encode("utf-8") + b"bad \xC3\x28 byte\r\n$C\r\n" +
                "열차는 바다를 따라 달렸다.\r\n$S\r\n".encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
