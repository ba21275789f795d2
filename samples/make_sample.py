#!/usr/bin/python3
"""Writes vexmira-sample.bmp: 48 x 48, 8 bpp, a cursor arrow over a gradient."""
import os
import struct

W = H = 48


def palette():
    out = []
    for i in range(256):
        if i < 216:
            r, g, b = (i // 36) * 51, ((i // 6) % 6) * 51, (i % 6) * 51
        else:
            r = g = b = min((i - 216) * 6 + 15, 255)
        out.append(bytes([b, g, r, 0]))
    return b"".join(out)


def index(x, top):
    inside = x >= 4 and 4 <= top < 40 and (x - 4) <= (top - 4) and (x - 4) < 20
    if inside:
        return 0 if (x - 4) == (top - 4) or x == 4 or top == 39 else 215
    return 36 * ((x * 5) // 48) + 6 * ((top * 5) // 48) + 2


rows = b"".join(bytes(index(x, H - 1 - y) for x in range(W)) for y in range(H))  # bottom-up
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, len(rows), 3780, 3780, 256, 0)
body = info + palette() + rows
head = b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + 40 + 1024)
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "vexmira-sample.bmp"), "wb") as f:
    f.write(head + body)
