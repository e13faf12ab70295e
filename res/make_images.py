#!/usr/bin/env python3
"""Draws the setup's pictures: the page bitmap and the two icons, all 256 colours
(8 bits a pixel), each with a colour table of just the entries its pixels use.

Usage: make_images.py OUTPUT_DIR  (writes page.bmp, setup.ico, browse.ico)
"""
import struct
import sys
from pathlib import Path

# A small palette first; the rest of the 256 entries are a grey ramp.
NAMED = {
    "back": (236, 233, 216), "white": (255, 255, 255), "red": (200, 30, 40),
    "dark": (60, 60, 70), "grid": (180, 180, 190), "gold": (240, 190, 40),
    "blue": (40, 80, 170), "shadow": (150, 145, 130),
}
PALETTE = list(NAMED.values()) + [(g, g, g) for g in range(256 - len(NAMED))]
INDEX = {name: i for i, name in enumerate(NAMED)}
BLACK = PALETTE.index((0, 0, 0))
# The pictures use the named colours and black: a table of only those saves
# almost a kilobyte a picture in install.exe, and draws the same pixels.
USED = BLACK + 1


def canvas(width, height, colour="back"):
    return [[INDEX[colour]] * width for _ in range(height)]


def rect(pixels, x0, y0, x1, y1, colour):
    for y in range(max(y0, 0), min(y1, len(pixels))):
        for x in range(max(x0, 0), min(x1, len(pixels[0]))):
            pixels[y][x] = INDEX[colour]


def calendar_sheet(pixels, x, y, w, h):
    """A tear-off calendar sheet with a red header and a day grid."""
    rect(pixels, x + 2, y + 2, x + w + 2, y + h + 2, "shadow")
    rect(pixels, x, y, x + w, y + h, "white")
    rect(pixels, x, y, x + w, y + h // 4, "red")
    for ring in range(x + 4, x + w - 2, 8):
        rect(pixels, ring, y - 2, ring + 2, y + 3, "dark")
    cell = max(w // 7, 2)
    for gx in range(x + 1, x + w - cell + 1, cell):
        for gy in range(y + h // 4 + 2, y + h - cell + 1, cell):
            rect(pixels, gx, gy, gx + cell - 1, gy + 1, "grid")
            rect(pixels, gx, gy, gx + 1, gy + cell - 1, "grid")


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE[:USED])


def dib(pixels, height_field):
    """BITMAPINFOHEADER, palette and bottom-up 8-bit rows."""
    height, width = len(pixels), len(pixels[0])
    stride = (width + 3) & ~3
    rows = b"".join(bytes(row) + b"\0" * (stride - width) for row in reversed(pixels))
    header = struct.pack("<IiiHHIIiiII", 40, width, height_field, 1, 8, 0, len(rows), 0, 0, USED, 0)
    return header + palette_bytes() + rows


def rle8_row(row):
    """One row in the system's 8-bit run-length encoding: a run is a count and
    an index; at least three differing pixels go as an absolute stretch (0, n,
    the indices, padded to a word)."""
    out, x, width = bytearray(), 0, len(row)
    while x < width:
        run = 1
        while x + run < width and run < 255 and row[x + run] == row[x]:
            run += 1
        if run > 1:
            out += bytes((run, row[x]))
            x += run
            continue
        end = x + 1
        while end < width and end - x < 255 and (end + 1 >= width or row[end] != row[end + 1]):
            end += 1
        if end - x < 3:
            out += bytes((1, row[x]))
            x += 1
            continue
        literal = bytes(row[x:end])
        out += bytes((0, len(literal))) + literal + (b"\0" if len(literal) % 2 else b"")
        x = end
    return bytes(out) + b"\0\0"


def write_bmp(path, pixels):
    """The page picture, 256 colours, run-length encoded: a third of the size."""
    height, width = len(pixels), len(pixels[0])
    rows = b"".join(rle8_row(row) for row in reversed(pixels))[:-2] + b"\0\1"
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(rows), 0, 0, USED, 0)
    body = header + palette_bytes() + rows
    offset = 14 + 40 + USED * 4
    path.write_bytes(struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset) + body)


def write_ico(path, pixels, transparent):
    """Pixels of colour `transparent` go into the mask and are black in the colour
    plane: the system draws an icon as (screen AND mask) XOR colour, so any other
    colour there would show the background inverted."""
    height, width = len(pixels), len(pixels[0])
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    colours = [[BLACK if value == INDEX[transparent] else value for value in row] for row in pixels]
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, value in enumerate(row):
            if value == INDEX[transparent]:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    image = dib(colours, height * 2) + bytes(mask)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 8, len(image), 6 + 16)
    path.write_bytes(struct.pack("<HHH", 0, 1, 1) + entry + image)


def page_picture():
    pixels = canvas(126, 60)
    calendar_sheet(pixels, 8, 10, 42, 42)
    calendar_sheet(pixels, 40, 6, 46, 46)
    rect(pixels, 94, 20, 118, 44, "gold")          # a bell-like reminder mark
    rect(pixels, 102, 44, 110, 48, "dark")
    rect(pixels, 90, 52, 122, 54, "blue")
    return pixels


def setup_icon():
    pixels = canvas(32, 32, "back")
    calendar_sheet(pixels, 3, 5, 24, 24)
    return pixels


def browse_icon():
    pixels = canvas(16, 16, "back")
    rect(pixels, 1, 4, 15, 14, "gold")             # an open folder
    rect(pixels, 1, 3, 7, 5, "gold")
    rect(pixels, 2, 6, 14, 13, "white")
    rect(pixels, 3, 8, 13, 9, "blue")
    return pixels


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    write_bmp(out / "page.bmp", page_picture())
    write_ico(out / "setup.ico", setup_icon(), "back")
    write_ico(out / "browse.ico", browse_icon(), "back")


if __name__ == "__main__":
    main()
