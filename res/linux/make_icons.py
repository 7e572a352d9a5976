#!/usr/bin/env python3
"""Draws the program icon for Linux desktops as PNG files, from the same artwork that
res/make_icon.py turns into the Windows icon.

The Windows icon keeps 16 colours at 16 and 32 pixels; desktop themes want larger sizes,
so the geometry is sampled here at every hicolor size, 4x4 samples per pixel from 48
pixels up so edges are smooth, and written as RGBA PNG:

    python3 res/linux/make_icons.py            # rewrites res/linux/icons/
    python3 res/linux/make_icons.py --check    # exit 1 if res/linux/icons/ is out of date
"""
import pathlib
import struct
import sys
import zlib

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
import make_icon  # noqa: E402  (the artwork)

SIZES = [16, 32, 48, 64, 128, 256]
OUT = HERE / "icons"


def pixel(x, y, size, samples):
    px = 1.0 / size
    r = g = b = a = 0
    for sy in range(samples):
        for sx in range(samples):
            u = (x + (sx + 0.5) / samples) * px
            v = (y + (sy + 0.5) / samples) * px
            index = make_icon.colour_at(u, v, px)
            if index is None:
                continue
            cr, cg, cb = make_icon.PALETTE[index]
            r, g, b, a = r + cr, g + cg, b + cb, a + 1
    if a == 0:
        return (0, 0, 0, 0)
    return (r // a, g // a, b // a, 255 * a // (samples * samples))


def png(size):
    samples = 4 if size >= 48 else 1
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter: none
        for x in range(size):
            raw.extend(pixel(x, y, size, samples))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def files():
    out = {OUT / "tessmo.png": png(64)}
    for size in SIZES:
        out[OUT / "hicolor" / f"{size}x{size}" / "apps" / "tessmo.png"] = png(size)
    return out


def main():
    check = "--check" in sys.argv[1:]
    stale = []
    for path, data in files().items():
        if check:
            if not path.exists() or path.read_bytes() != data:
                stale.append(path)
            continue
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
    if stale:
        print("out of date:", *stale, sep="\n  ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
