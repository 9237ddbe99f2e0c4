#!/usr/bin/env python3
"""Writes dusklens.ico beside this script: a red crescent moon and a star,
16 x 16 pixels in 16 colours (4 bits per pixel, the standard VGA palette),
with an AND mask so that the background shows through.

Usage: python3 res/make_icon.py
"""
import os
import struct

# The standard 16-colour palette as (red, green, blue), in palette order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Top row first. '.' is transparent; the other letters name palette entries.
COLOURS = {"R": 9, "M": 1}
PIXELS = [
    "................",
    "....RR..........",
    "...RRM..........",
    "..RRR......M....",
    ".RRRR.....MRM...",
    ".RRRR......M....",
    "MRRRR...........",
    "MRRRRM..........",
    "MRRRRR..........",
    "MRRRRRR.........",
    ".RRRRRRRM....MR.",
    ".RRRRRRRRRRRRRR.",
    "..RRRRRRRRRRRR..",
    "...RRRRRRRRRR...",
    "....RRRRRRRR....",
    "......MMMM......",
]
SIZE = 16


def rows_bottom_up():
    assert len(PIXELS) == SIZE and all(len(row) == SIZE for row in PIXELS)
    return list(reversed(PIXELS))


def colour_bitmap():
    """Two pixels a byte, high nibble first; transparent pixels are black so
    that the AND mask leaves the screen as it is under them."""
    data = bytearray()
    for row in rows_bottom_up():
        indices = [COLOURS.get(c, 0) for c in row]
        for left, right in zip(indices[0::2], indices[1::2]):
            data.append(left << 4 | right)
    return bytes(data)


def and_mask():
    """One bit a pixel, 1 where transparent; rows padded to 4 bytes."""
    data = bytearray()
    for row in rows_bottom_up():
        bits = 0
        for c in row:
            bits = bits << 1 | (c == ".")
        data += bits.to_bytes(SIZE // 8, "big") + bytes(4 - SIZE // 8)
    return bytes(data)


def icon():
    pixels, mask = colour_bitmap(), and_mask()
    # The bitmap's height counts the colour bitmap and the mask together.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dusklens.ico")
    with open(path, "wb") as f:
        f.write(icon())
