#!/usr/bin/env python3
"""Draws the program icon and writes it as res/Tessmo.ico.

The icon holds two images, 32x32 and 16x16, each 16 colours (4 bits per pixel) in the
classic VGA palette, with a 1-bit transparency mask: the formats every version of the
shell and the dialog manager draw without scaling. The artwork is geometry in unit
coordinates sampled once per pixel, so both sizes come from one description and the
file is reproducible byte for byte:

    python3 res/make_icon.py            # rewrites res/Tessmo.ico
    python3 res/make_icon.py --check    # exit 1 if res/Tessmo.ico is out of date
"""
import math
import pathlib
import struct
import sys

# The 16-colour VGA palette, in the order the 4-bit indices address it (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, TEAL, SILVER, GRAY, RED, BLUE, AQUA, WHITE = 0, 4, 6, 7, 8, 9, 12, 14, 15
TRANSPARENT = None


def rounded_rect(u, v, x0, y0, x1, y1, r):
    """True when (u, v) lies inside the rectangle with corners rounded by r."""
    if not (x0 <= u <= x1 and y0 <= v <= y1):
        return False
    cx = min(max(u, x0 + r), x1 - r)
    cy = min(max(v, y0 + r), y1 - r)
    return (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def colour_at(u, v, px):
    """The palette index of the artwork at unit coordinates (u, v); px is one pixel."""
    lens_r = math.hypot(u - 0.5, v - 0.56)
    # The lens sits over the body, so it is decided first.
    if lens_r <= 0.235:
        if lens_r > 0.235 - 1.2 * px:
            return BLACK
        if lens_r > 0.17:
            return SILVER
        if math.hypot(u - 0.45, v - 0.50) <= 0.05 + 0.5 * px:
            return WHITE  # the reflection that makes a circle read as glass
        if lens_r > 0.10:
            return BLUE
        return NAVY
    # The record lamp, the one red thing a user associates with a camera at work.
    if math.hypot(u - 0.82, v - 0.36) <= 0.045 + 0.5 * px:
        return RED
    body = rounded_rect(u, v, 0.05, 0.27, 0.95, 0.86, 0.10)
    hump = rounded_rect(u, v, 0.18, 0.16, 0.42, 0.30, 0.04)
    if body or hump:
        inner = rounded_rect(u, v, 0.05 + px, 0.27 + px, 0.95 - px, 0.86 - px, 0.10) or \
            rounded_rect(u, v, 0.18 + px, 0.16 + px, 0.42 - px, 0.30 + px, 0.04)
        if not inner:
            return BLACK
        if v < 0.40 and body:
            return GRAY  # the top plate, darker than the grip below it
        return TEAL
    return TRANSPARENT


def render(size):
    px = 1.0 / size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            row.append(colour_at((x + 0.5) * px, (y + 0.5) * px, px))
        rows.append(row)
    return rows


def image_bytes(rows):
    """BITMAPINFOHEADER, palette, 4-bit colour bits and the AND mask, bottom-up."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, c in enumerate(row):
            index = BLACK if c is TRANSPARENT else c
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if c is TRANSPARENT:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    return header + palette + bytes(xor) + bytes(mask)


def icon_file(sizes):
    images = [image_bytes(render(s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    target = pathlib.Path(__file__).with_name("Tessmo.ico")
    data = icon_file([32, 16])
    if "--check" in sys.argv[1:]:
        if not target.exists() or target.read_bytes() != data:
            print(f"{target} is out of date: run {sys.argv[0]}", file=sys.stderr)
            return 1
        return 0
    target.write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
