#!/usr/bin/python3
"""Draws the application icon (a cursor arrow on a rounded tile) as a
256 x 256 RGBA PNG, with the standard library only. The smaller sizes are
made from it at build time by vexmira-tool thumbnail.
usage: make_icon.py OUTPUT.png"""
import struct
import sys
import zlib

SIZE = 256
SAMPLES = 2  # per axis, for smooth edges

ARROW = [(70, 40), (70, 212), (110, 172), (138, 232), (164, 220), (136, 160), (192, 160)]


def inside_polygon(x, y, poly):
    hit = False
    j = len(poly) - 1
    for i in range(len(poly)):
        xi, yi = poly[i]
        xj, yj = poly[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def distance_to_polygon(x, y, poly):
    best = 1e9
    for i in range(len(poly)):
        (ax, ay), (bx, by) = poly[i], poly[(i + 1) % len(poly)]
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx - x, ay + t * dy - y
        best = min(best, (px * px + py * py) ** 0.5)
    return best


def in_tile(x, y, margin=8, radius=48):
    lo, hi = margin, SIZE - margin
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius and lo <= x <= hi and lo <= y <= hi


def sample(x, y):
    """Colour and coverage at one point: white arrow, dark outline, blue tile."""
    if inside_polygon(x, y, ARROW):
        return (255, 255, 255) if distance_to_polygon(x, y, ARROW) > 7 else (24, 28, 40)
    if distance_to_polygon(x, y, ARROW) <= 2:
        return (24, 28, 40)
    if in_tile(x, y):
        t = y / SIZE
        return (int(40 + 30 * t), int(110 + 40 * t), int(200 - 30 * t))
    return None


def render():
    rows = []
    for y in range(SIZE):
        row = bytearray(b"\0")  # filter type none
        for x in range(SIZE):
            r = g = b = n = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = sample(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES)
                    if c:
                        r, g, b, n = r + c[0], g + c[1], b + c[2], n + 1
            if n:
                row += bytes((r // n, g // n, b // n, 255 * n // (SAMPLES * SAMPLES)))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(render(), 9)) + chunk(b"IEND", b"")
    with open(sys.argv[1], "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
