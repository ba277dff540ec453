#!/usr/bin/env python3
"""Writes the program icon (gfx/drivers/win32/program_icon.ico): a 32 x 32
picture of our own, two diagonals of coloured dots on a dark square, as a
32-bit icon with an alpha channel."""
import struct
import sys

SIZE = 32


def pixel(x, y):
    # Dark blue background with a one-pixel lighter border.
    if x in (0, SIZE - 1) or y in (0, SIZE - 1):
        return (0x40, 0x50, 0x70, 0xFF)
    on_diagonal = abs(x - y) <= 1 or abs(x + y - (SIZE - 1)) <= 1
    if on_diagonal and (x + y) % 4 < 2:
        # Colour follows the distance from the centre, as the particles' speed.
        d = abs(x - SIZE // 2) + abs(y - SIZE // 2)
        return (min(255, 60 + d * 12), min(255, 255 - d * 6), 255 - min(255, d * 10), 0xFF)
    return (0x10, 0x14, 0x28, 0xFF)


def icon_bytes():
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bitmaps run bottom-up
        row = b"".join(struct.pack("BBBB", b, g, r, a) for (r, g, b, a) in (pixel(x, y) for x in range(SIZE)))
        rows.append(row)
    xor = b"".join(rows)
    and_mask = b"\x00" * (SIZE * SIZE // 8)  # 4 bytes per row, all opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    return directory + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(icon_bytes())
