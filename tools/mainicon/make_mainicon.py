#!/usr/bin/env python3
"""Draws the program's icon MAINICON from one design of shapes on a 32-unit grid.

A book with an indigo cover, seen from the front, crossed by three rounded bands of
pale haze, with cream page edges at the right and bottom and a golden ribbon.

    make_mainicon.py           rewrites cmake/windows/mainicon.ico: the icon drawn at
                               16, 24, 32, 48, 64, 128 and 256 pixels (32 bits with alpha
                               and the 1-bit mask; the 256-pixel image as PNG), so Windows
                               picks an image of the size it needs instead of stretching one
    make_mainicon.py --xpm     rewrites src/ui/qt/icons/mainicon.xpm, the 32-pixel image

Both files are committed; the build does not run this script.
"""
import pathlib
import struct
import sys
import zlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
GRID = 32
SIZES = (16, 24, 32, 48, 64, 128, 256)
SAMPLES = 8  # per pixel and direction, for the edges' coverage

OUTLINE, COVER, SPINE = (0x1B, 0x22, 0x50), (0x2E, 0x3F, 0x95), (0x20, 0x2C, 0x70)
HAZE, PAGE, PAGE_LINE, RIBBON = (0xF6, 0xCA, 0xDB), (0xFF, 0xF8, 0xE8), (0xD8, 0xCB, 0xB0), (0xE8, 0xB8, 0x30)


def shapes():
    """(x0, y0, x1, y1, corner radius, colour) in grid units, back to front."""
    items = [(8, 4, 28, 30, 0, PAGE)]  # the page block behind the cover
    items += [(26, y, 28, y + 1, 0, PAGE_LINE) for y in range(6, 30, 3)]
    items += [(x, 29, x + 1, 30, 0, PAGE_LINE) for x in range(10, 27, 3)]
    items += [(4, 2, 26, 28, 0, OUTLINE), (5, 3, 25, 27, 0, COVER), (5, 3, 8, 27, 0, SPINE)]
    items += [(x0, y, x1 + 1, y + 4, 2, HAZE) for y, x0, x1 in ((8, 11, 22), (14, 9, 19), (20, 13, 23))]
    items += [(21, 0, 23, 6, 0, RIBBON), (21, 6, 22, 7, 0, RIBBON)]
    return items


def inside(x, y, shape):
    x0, y0, x1, y1, radius, _ = shape
    if not (x0 <= x < x1 and y0 <= y < y1):
        return False
    if radius == 0:
        return True
    cx = min(max(x, x0 + radius), x1 - radius)
    cy = min(max(y, y0 + radius), y1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def render(size, samples=SAMPLES):
    """Rows of (r, g, b, a) pixels: each pixel the average of its samples."""
    scale = GRID / size
    items = shapes()
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(samples):
                y = (py + (sy + 0.5) / samples) * scale
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    colour = next((s[5] for s in reversed(items) if inside(x, y, s)), None)
                    if colour is not None:
                        total = [total[0] + colour[0], total[1] + colour[1], total[2] + colour[2], total[3] + 1]
            covered = total[3]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((total[0] // covered, total[1] // covered, total[2] // covered,
                            round(255 * covered / samples ** 2)))
        rows.append(row)
    return rows


def bitmap_image(size, rows):
    colour, mask = bytearray(), bytearray()
    stride = ((size + 31) // 32) * 4
    for row in reversed(rows):  # bottom-up, as bitmaps are stored
        bits = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            colour += bytes((b, g, r, a))
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def png_image(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico():
    images = [(size, png_image(size, render(size)) if size == 256 else bitmap_image(size, render(size)))
              for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b"".join(image for _, image in images)


def xpm():
    keys = {OUTLINE: "k", COVER: "c", SPINE: "s", HAZE: "h", PAGE: "w", PAGE_LINE: "p", RIBBON: "g"}
    # One sample a pixel: the design's own colours.
    grid = ["".join(keys[(r, g, b)] if a else " " for r, g, b, a in row) for row in render(GRID, 1)]
    lines = ["/* XPM */", "static const char *mainicon[] = {", f'"{GRID} {GRID} {len(keys) + 1} 1",', '"  c None",']
    lines += [f'"{key} c #%02X%02X%02X",' % colour for colour, key in keys.items()]
    lines += [f'"{row}",' for row in grid[:-1]] + [f'"{grid[-1]}"', "};"]
    return "\n".join(lines) + "\n"


def main():
    if sys.argv[1:] == ["--xpm"]:
        (ROOT / "src/ui/qt/icons/mainicon.xpm").write_text(xpm(), encoding="ascii")
    else:
        (ROOT / "cmake/windows/mainicon.ico").write_bytes(ico())


if __name__ == "__main__":
    main()
