#!/usr/bin/python3
"""Writes the project's own samples:
vexmira-sample.bmp: 48 x 48, 8 bpp, a cursor arrow over a gradient;
vexmira-sample.ani: an animated cursor of 8 steps, 32 x 32 at 4 bpp, a ring of
eight sectors in which one lit sector goes round (hotspot in the middle)."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
W = H = 48

# ---- the bitmap ----


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


def bitmap():
    rows = b"".join(bytes(index(x, H - 1 - y) for x in range(W)) for y in range(H))  # bottom-up
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, len(rows), 3780, 3780, 256, 0)
    body = info + palette() + rows
    head = b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, 14 + 40 + 1024)
    return head + body


# ---- the animated cursor ----

CURSOR = 32
STEPS = 8
RATE_JIFFIES = 6  # 1/60 s each: 100 ms per step
HOTSPOT = (16, 16)
RING_INNER, RING_OUTER = 6.0, 14.0
# RGB colours of the ring; everything else is transparent.
UNLIT = (0, 96, 200)
LIT = (255, 64, 0)
CURSOR_COLOURS = [(0, 0, 0), UNLIT, LIT] + [(0, 0, 0)] * 13


def step_pixels(step):
    """Rows top-down of RGB tuples, None where the cursor is transparent."""
    rows = []
    for top in range(CURSOR):
        row = []
        for x in range(CURSOR):
            dx, dy = x + 0.5 - CURSOR / 2, top + 0.5 - CURSOR / 2
            r = math.hypot(dx, dy)
            if not RING_INNER <= r <= RING_OUTER:
                row.append(None)
                continue
            sector = int((math.degrees(math.atan2(dy, dx)) + 360) % 360 // 45)
            row.append(LIT if sector == step else UNLIT)
        rows.append(row)
    return rows


def cursor_file(step):
    pixels = step_pixels(step)
    xor = b""
    mask = b""
    for top in reversed(range(CURSOR)):  # bottom-up
        nibbles = [0 if p is None else CURSOR_COLOURS.index(p) for p in pixels[top]]
        xor += bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, CURSOR, 2))
        bits = 0
        for p in pixels[top]:
            bits = (bits << 1) | (1 if p is None else 0)
        mask += struct.pack(">I", bits)
    pal = b"".join(bytes([b, g, r, 0]) for r, g, b in CURSOR_COLOURS)
    info = struct.pack("<IiiHHIIiiII", 40, CURSOR, CURSOR * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    image = info + pal + xor + mask
    head = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", CURSOR, CURSOR, 16, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return head + entry + image


def chunk(tag, data):
    pad = b"\0" if len(data) % 2 else b""
    return tag + struct.pack("<I", len(data)) + data + pad


def animated_cursor():
    anih = struct.pack("<9I", 36, STEPS, STEPS, 0, 0, 0, 0, RATE_JIFFIES, 1)  # flags: frames are icons
    frames = b"fram" + b"".join(chunk(b"icon", cursor_file(s)) for s in range(STEPS))
    info = b"INFO" + chunk(b"INAM", b"Vexmira sample\0") + chunk(b"IART", b"Vexmira\0")
    body = b"ACON" + chunk(b"LIST", info) + chunk(b"anih", anih) + chunk(b"LIST", frames)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    with open(os.path.join(HERE, "vexmira-sample.bmp"), "wb") as f:
        f.write(bitmap())
    with open(os.path.join(HERE, "vexmira-sample.ani"), "wb") as f:
        f.write(animated_cursor())


if __name__ == "__main__":
    main()
