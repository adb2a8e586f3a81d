#!/usr/bin/env python3
"""Writes the progress animation: a RIFF AVI of one uncompressed 8-bit video
stream, 24 x 24 pixels, a 16-entry grey palette whose first entry is the dialog
background RGB(212, 208, 200), 9 frames at 10 frames per second, with an index.
The file is padded with a JUNK chunk to 7680 bytes."""
import math
import struct
import sys

W = H = 24
FRAMES = 9
FRAME_BYTES = W * H
TOTAL = 7680


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, data):
    return b"LIST" + struct.pack("<I", len(data) + 4) + kind + data


def palette():
    entries = [(212, 208, 200)]
    for i in range(1, 16):
        g = int(200 - i * 12)  # darker greys for the spinner
        entries.append((g, g, g))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in entries)


def frame(n):
    px = bytearray(FRAME_BYTES)  # index 0: background
    cx = cy = (W - 1) / 2.0
    for k in range(8):
        angle = 2 * math.pi * (k + n) / 8.0
        shade = 15 - ((k * 2) % 14)  # one dark head with a fading tail
        ox = cx + 8 * math.cos(angle)
        oy = cy + 8 * math.sin(angle)
        for y in range(H):
            for x in range(W):
                if (x - ox) ** 2 + (y - oy) ** 2 <= 4.0:
                    px[(H - 1 - y) * W + x] = max(px[(H - 1 - y) * W + x], shade)
    return bytes(px)


def main(out):
    avih = struct.pack("<IIIIIIIIII4I", 100000, FRAME_BYTES * 10, 0, 0x10, FRAMES, 0, 1, FRAME_BYTES, W, H, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, 10, 0, FRAMES, FRAME_BYTES,
                       0xFFFFFFFF, 0, 0, 0, W, H)
    strf = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, FRAME_BYTES, 0, 0, 16, 0) + palette()
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    frames = b""
    index = b""
    for n in range(FRAMES):
        index += struct.pack("<4sIII", b"00db", 0x10, 4 + len(frames), FRAME_BYTES)
        frames += chunk(b"00db", frame(n))
    movi = lst(b"movi", frames)
    idx1 = chunk(b"idx1", index)
    body_without_junk = 12 + len(hdrl) + len(movi) + len(idx1)
    junk = chunk(b"JUNK", b"\0" * (TOTAL - body_without_junk - 8))
    body = b"AVI " + hdrl + junk + movi + idx1
    data = b"RIFF" + struct.pack("<I", len(body)) + body
    assert len(data) == TOTAL, len(data)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
