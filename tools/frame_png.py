#!/usr/bin/env python3
"""Pictures of the examples gallery: the frames the examples save (binary PPM)
kept as PNG files for the guide, and compared with them by the tests.

  frame_png.py write FRAME.ppm PICTURE.png    keep a frame as a picture
  frame_png.py compare FRAME.ppm PICTURE.png  exit 0 when they hold the same pixels
"""
import struct
import sys
import zlib


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1:]
    if len(pixels) != width * height * 3:
        raise ValueError(f"{path}: {len(pixels)} bytes of pixels for {width} x {height}")
    return width, height, pixels


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(path, width, height, pixels):
    stride = width * 3
    raw = b"".join(b"\0" + pixels[y * stride:(y + 1) * stride] for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def read_png(path):
    """Reads the PNG files write_png makes: 8-bit RGB, rows without a filter."""
    with open(path, "rb") as f:
        data = f.read()
    at = 8
    idat = b""
    width = height = 0
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, _ = struct.unpack(">IIBBBBB", body)
            if depth != 8 or colour != 2:
                raise ValueError(f"{path}: not 8-bit RGB")
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 3 + 1
    rows = []
    for y in range(height):
        row = raw[y * stride:(y + 1) * stride]
        if row[0] != 0:
            raise ValueError(f"{path}: row {y} uses a filter")
        rows.append(row[1:])
    return width, height, b"".join(rows)


def main(argv):
    if len(argv) != 4 or argv[1] not in ("write", "compare"):
        print(__doc__, file=sys.stderr)
        return 2
    frame = read_ppm(argv[2])
    if argv[1] == "write":
        write_png(argv[3], *frame)
        return 0
    kept = read_png(argv[3])
    if frame[:2] != kept[:2]:
        print(f"size {frame[0]} x {frame[1]}, kept {kept[0]} x {kept[1]}")
        return 1
    differing = sum(1 for i in range(0, len(frame[2]), 3) if frame[2][i:i + 3] != kept[2][i:i + 3])
    if differing:
        print(f"{differing} pixels differ from {argv[3]}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
