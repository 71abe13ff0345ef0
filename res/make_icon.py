#!/usr/bin/env python3
"""Writes korvel.ico: a key cap with the letter Ж, at 16, 32 and 48 pixels,
8 bits per pixel. With --tray, --off or --blocked it writes Korvel
everywhere's notification icons, at every size the notification area asks
for from 100 to 300 % (16 to 48 pixels): the key cap while it types Cyrillic
(korvel-tray.ico), in grey while it is off (korvel-off.ico), and in red while
it cannot type in the window in front (korvel-blocked.ico). With --png SIZE
it writes the drawing as a PNG of SIZE pixels instead (for the web page and
the browser extension). Run it again after changing the drawing; the output
is byte-for-byte reproducible.

    make_icon.py [OUT.ico]
    make_icon.py --tray|--off|--blocked [OUT.ico]
    make_icon.py --png SIZE OUT.png
"""
import struct
import sys
import zlib
from pathlib import Path

# Palette indices.
CLEAR, EDGE, CAP, LETTER, BAR = 0, 1, 2, 3, 4
PALETTE = {CLEAR: (0, 0, 0), EDGE: (18, 42, 96), CAP: (40, 96, 190), LETTER: (255, 255, 255), BAR: (242, 148, 36)}
PALETTE_OFF = {CLEAR: (0, 0, 0), EDGE: (72, 72, 72), CAP: (150, 150, 150), LETTER: (255, 255, 255),
               BAR: (110, 110, 110)}
PALETTE_BLOCKED = {CLEAR: (0, 0, 0), EDGE: (100, 16, 16), CAP: (196, 40, 36), LETTER: (255, 255, 255),
                   BAR: (255, 214, 0)}
TRAY_SIZES = (16, 20, 24, 32, 40, 48)
TRAY_ICONS = {"--tray": ("korvel-tray.ico", PALETTE), "--off": ("korvel-off.ico", PALETTE_OFF),
              "--blocked": ("korvel-blocked.ico", PALETTE_BLOCKED)}

ZHE = [
    "X..X..X",
    "X..X..X",
    ".X.X.X.",
    "..XXX..",
    ".X.X.X.",
    "X..X..X",
    "X..X..X",
]


def draw(size):
    """Rows top to bottom of palette indices, and the transparent mask."""
    pixels = [[CLEAR] * size for _ in range(size)]
    clear = [[True] * size for _ in range(size)]
    radius = max(2, size // 6)
    for y in range(size):
        for x in range(size):
            # a rounded square: corners cut along a quarter circle
            cx = min(max(x, radius), size - 1 - radius)
            cy = min(max(y, radius), size - 1 - radius)
            inside = (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
            if not inside:
                continue
            clear[y][x] = False
            border = (x - cx) ** 2 + (y - cy) ** 2 > (radius - 1) ** 2 or x in (0, size - 1) or y in (0, size - 1)
            pixels[y][x] = EDGE if border else CAP
    bar_height = max(1, size // 12)
    for y in range(size - 2 - bar_height, size - 2):
        for x in range(radius, size - radius):
            pixels[y][x] = BAR
    cell = max(1, (size - 4) // 9)
    glyph = cell * len(ZHE)
    left = (size - glyph) // 2
    top = (size - bar_height - glyph) // 2
    for row, line in enumerate(ZHE):
        for col, mark in enumerate(line):
            if mark != "X":
                continue
            for dy in range(cell):
                for dx in range(cell):
                    pixels[top + row * cell + dy][left + col * cell + dx] = LETTER
    return pixels, clear


def bmp(size, palette):
    pixels, clear = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b"".join(
        struct.pack("<BBBB", *reversed(palette.get(i, (0, 0, 0))), 0) for i in range(256)
    )
    row_bytes = (size + 3) // 4 * 4
    color = b"".join(bytes(pixels[y]) + bytes(row_bytes - size) for y in reversed(range(size)))
    mask_bytes = ((size + 31) // 32) * 4
    mask = b""
    for y in reversed(range(size)):
        bits = 0
        for x in range(size):
            if clear[y][x]:
                bits |= 1 << (mask_bytes * 8 - 1 - x)
        mask += bits.to_bytes(mask_bytes, "big")
    return header + palette + color + mask


def ico(palette=PALETTE, sizes=(16, 32, 48)):
    images = [bmp(size, palette) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def png(size):
    pixels, clear = draw(size)
    rows = b"".join(
        b"\0" + b"".join(bytes(PALETTE[pixel]) + (b"\0" if clear[y][x] else b"\xff") for x, pixel in enumerate(row))
        for y, row in enumerate(pixels))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--png":
        Path(sys.argv[3]).write_bytes(png(int(sys.argv[2])))
    elif len(sys.argv) > 1 and sys.argv[1] in TRAY_ICONS:
        name, palette = TRAY_ICONS[sys.argv[1]]
        target = Path(sys.argv[2]) if len(sys.argv) > 2 else Path(__file__).with_name(name)
        target.write_bytes(ico(palette, TRAY_SIZES))
    else:
        target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("korvel.ico")
        target.write_bytes(ico())
