#!/usr/bin/env python3
"""Writes the program icon: five 8-bit images of 256, 48, 32, 24 and 16 pixels.
The 256-pixel image is stored as an 8-bit palette PNG (as Windows Vista and later
read it), the others as 8-bit bitmaps with their masks."""
import struct
import sys
import zlib

SIZES = [256, 48, 32, 24, 16]


def palette():
    # 0: transparent background, 1..: a blue-to-white ramp for the disc, 255: dark outline.
    entries = [(0, 0, 0)] + [(20 + i // 2, 60 + i // 2, 120 + i // 2) for i in range(254)] + [(30, 30, 40)]
    return entries


def pixels(size):
    rows = []
    c = (size - 1) / 2.0
    r = size * 0.45
    for y in range(size):
        row = bytearray(size)
        for x in range(size):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            if d <= r - max(1, size / 32):
                # lighter toward the upper left: a simple shaded disc
                shade = int(1 + 253 * max(0.0, min(1.0, 1 - ((x + y) / (2.0 * size)))))
                row[x] = shade
            elif d <= r:
                row[x] = 255
        rows.append(bytes(row))
    return rows


def png(size):
    rows = pixels(size)
    pal = palette()
    raw = b"".join(b"\0" + row for row in rows)

    def pchunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 3, 0, 0, 0)
    plte = b"".join(struct.pack("BBB", *e) for e in pal)
    trns = b"\0"  # index 0 transparent
    return (b"\x89PNG\r\n\x1a\n" + pchunk(b"IHDR", ihdr) + pchunk(b"PLTE", plte) + pchunk(b"tRNS", trns) +
            pchunk(b"IDAT", zlib.compress(raw, 9)) + pchunk(b"IEND", b""))


def bmp(size):
    rows = pixels(size)
    pal = palette()
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    colors = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in pal)
    xor = b"".join(rows[size - 1 - y] for y in range(size))  # bottom-up
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size):
        row = rows[size - 1 - y]
        bits = bytearray(mask_stride)
        for x in range(size):
            if row[x] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colors + xor + bytes(mask)


def main(out):
    images = [png(s) if s == 256 else bmp(s) for s in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 8, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
