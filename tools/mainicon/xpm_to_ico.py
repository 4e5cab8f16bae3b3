#!/usr/bin/env python3
"""Turns the program's icon MAINICON from its XPM (src/ui/qt/icons/mainicon.xpm) into the
Windows icon file the resource compiler embeds (cmake/windows/mainicon.ico): one 32 x 32
image, 32 bits per pixel with its alpha, and the 1-bit mask for older systems. The .ico is
committed; run this after changing the XPM.
"""
import pathlib
import struct
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]


def read_xpm(path):
    rows = [line.split('"')[1] for line in path.read_text().splitlines() if line.startswith('"')]
    width, height, colours, per_pixel = map(int, rows[0].split())
    palette = {}
    for row in rows[1:1 + colours]:
        key, value = row[:per_pixel], row[per_pixel:].split()[-1]
        palette[key] = None if value == "None" else tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
    pixels = [[palette[row[x * per_pixel:(x + 1) * per_pixel]] for x in range(width)]
              for row in rows[1 + colours:1 + colours + height]]
    return width, height, pixels


def ico(width, height, pixels):
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((width + 31) // 32) * 4
    for row in reversed(pixels):  # bottom-up, as bitmaps are stored
        bits = bytearray(mask_stride)
        for x, rgb in enumerate(row):
            if rgb is None:
                colour += b"\0\0\0\0"
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                colour += bytes((rgb[2], rgb[1], rgb[0], 255))
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width % 256, height % 256, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    width, height, pixels = read_xpm(ROOT / "src/ui/qt/icons/mainicon.xpm")
    out = ROOT / "cmake/windows/mainicon.ico"
    out.write_bytes(ico(width, height, pixels))
    print(f"wrote {out.relative_to(ROOT)}", file=sys.stderr)


if __name__ == "__main__":
    main()
