#!/usr/bin/env python3
"""Turns an X window dump (xwd, a TrueColor visual of 24 or 32 bits per pixel) into a PNG,
optionally cut to a rectangle of it.

    xwd_to_png.py DUMP PNG [X Y WIDTH HEIGHT]

Only the standard library: the screenshots need no image package.
"""
import struct
import sys
import zlib


def read_dump(path):
    data = open(path, 'rb').read()
    header = struct.unpack('>25I', data[:100])
    (header_size, version, _format, _depth, width, height, _xoffset, byte_order, _unit,
     _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual, red_mask, green_mask,
     blue_mask, _bits_rgb, _entries, colours) = header[:20]
    if version != 7 or bits_per_pixel not in (24, 32):
        raise SystemExit(f'{path}: not a 24- or 32-bit TrueColor window dump')
    pixels = data[header_size + 12 * colours:]
    if len(pixels) < bytes_per_line * height:
        raise SystemExit(f'{path}: the dump is cut short')
    step = bits_per_pixel // 8
    order = 'little' if byte_order == 0 else 'big'
    masks = [(mask, (mask & -mask).bit_length() - 1) for mask in (red_mask, green_mask, blue_mask)]
    rows = []
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + width * step]
        row = bytearray()
        for x in range(0, width * step, step):
            value = int.from_bytes(line[x:x + step], order)
            row.extend((value & mask) >> shift for mask, shift in masks)
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body +
                struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))

    raw = b''.join(b'\x00' + row for row in rows)
    with open(path, 'wb') as out:
        out.write(b'\x89PNG\r\n\x1a\n')
        out.write(chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b'IDAT', zlib.compress(raw, 9)))
        out.write(chunk(b'IEND', b''))


def main(argv):
    if len(argv) not in (3, 7):
        raise SystemExit(__doc__)
    width, height, rows = read_dump(argv[1])
    if len(argv) == 7:
        left, top, cut_width, cut_height = (int(value) for value in argv[3:])
        left, top = max(0, left), max(0, top)
        cut_width = min(cut_width, width - left)
        cut_height = min(cut_height, height - top)
        rows = [row[3 * left:3 * (left + cut_width)] for row in rows[top:top + cut_height]]
        width, height = cut_width, cut_height
    write_png(argv[2], width, height, rows)


if __name__ == '__main__':
    main(sys.argv)
