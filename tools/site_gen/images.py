"""Tiny solid-colour image writers (GIF and baseline JPEG) for the sample site.

Written for the sample site only: every picture is a flat colour block, so the
encoders stay a few lines long and need nothing beyond the standard library.
"""

import struct


def gif(width, height, rgb):
    """A GIF89a of one flat colour."""
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80, 0, 0)  # 2-entry colour table
    out += bytes(rgb) + b"\xff\xff\xff"
    out += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    # LZW with minimum code size 2: clear (4) before every pair of pixel codes
    # keeps the code width at 3 bits, so no table growth has to be tracked.
    codes = []
    pixels = width * height
    while pixels > 0:
        codes.append(4)
        take = min(2, pixels)
        codes += [0] * take
        pixels -= take
    codes.append(5)
    bits, nbits, data = 0, 0, bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += 3
        while nbits >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits & 0xFF)
    out.append(2)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\x00;"
    return bytes(out)


# Standard luminance DC table (code lengths 2..9 bits for categories 0..11).
_DC_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
_DC_VALS = list(range(12))


def _dc_codes():
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(_DC_BITS[length - 1]):
            codes[_DC_VALS[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


def _segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def jpeg(width, height, rgb):
    """A baseline YCbCr JPEG of one flat colour (every block holds only its DC term)."""
    r, g, b = rgb
    ycc = [
        0.299 * r + 0.587 * g + 0.114 * b,
        128 - 0.168736 * r - 0.331264 * g + 0.5 * b,
        128 + 0.5 * r - 0.418688 * g - 0.081312 * b,
    ]
    dc = [int(round(8 * (v - 128))) for v in ycc]  # quantiser of 1 everywhere
    out = bytearray(b"\xff\xd8")
    out += _segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    out += _segment(0xDB, b"\x00" + b"\x01" * 64)
    out += _segment(0xC0, struct.pack(">BHHB", 8, height, width, 3)
                    + b"\x01\x11\x00\x02\x11\x00\x03\x11\x00")
    out += _segment(0xC4, b"\x00" + bytes(_DC_BITS) + bytes(_DC_VALS))
    out += _segment(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\x00")  # AC: EOB only
    out += _segment(0xDA, b"\x03\x01\x00\x02\x00\x03\x00\x00\x3f\x00")
    codes = _dc_codes()
    bits = []

    def put(value, length):
        for i in range(length - 1, -1, -1):
            bits.append((value >> i) & 1)

    pred = [0, 0, 0]
    blocks = ((width + 7) // 8) * ((height + 7) // 8)
    for _ in range(blocks):
        for comp in range(3):
            diff = dc[comp] - pred[comp]
            pred[comp] = dc[comp]
            cat = 0 if diff == 0 else abs(diff).bit_length()
            put(*codes[cat])
            if cat:
                put(diff if diff > 0 else diff + (1 << cat) - 1, cat)
            put(0, 1)  # end of block
    while len(bits) % 8:
        bits.append(1)
    for i in range(0, len(bits), 8):
        byte = 0
        for bit in bits[i:i + 8]:
            byte = (byte << 1) | bit
        out.append(byte)
        if byte == 0xFF:
            out.append(0)
    out += b"\xff\xd9"
    return bytes(out)
