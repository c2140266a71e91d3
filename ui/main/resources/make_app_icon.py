#!/usr/bin/env python3
"""Draws the application picture, AppIcon.png (64 x 64, RGBA), with the standard library only.

The picture: a rounded blue tile holding a page with text lines, a magnifying glass over the page
and an orange arrow under it, for "find, then replace". Run it from this folder after changing a
shape; the PNG it writes is committed beside it.

    python3 make_app_icon.py            # writes AppIcon.png next to this script
"""

import math
import os
import struct
import zlib

SIZE = 64
SAMPLES = 4  # samples per pixel and axis, for smooth edges


def rounded_rect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and left <= x <= right and top <= y <= bottom


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (x - q[0]) * (p[1] - q[1]) - (p[0] - q[0]) * (y - q[1])

    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    has_neg = d1 < 0 or d2 < 0 or d3 < 0
    has_pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (has_neg and has_pos)


def colour_at(x, y):
    """The colour (r, g, b, a) of one sample point; later layers paint over earlier ones."""
    colour = (0, 0, 0, 0)
    # Tile: a vertical blue gradient.
    if rounded_rect(x, y, 2, 2, 62, 62, 12):
        t = (y - 2) / 60.0
        colour = (int(40 + 20 * t), int(110 - 40 * t), int(200 - 50 * t), 255)
    # Page with a folded corner.
    if rounded_rect(x, y, 12, 9, 40, 47, 2) and not (x + (47 - y) > 40 + 47 - 9 - 8 and y < 17):
        colour = (250, 250, 250, 255)
    if in_triangle(x, y, (32, 9), (40, 17), (32, 17)):
        colour = (205, 215, 230, 255)
    # Text lines on the page.
    for line_y in (21, 27, 33, 39):
        if abs(y - line_y) <= 1.0 and 16 <= x <= (35 if line_y != 39 else 28):
            colour = (120, 140, 170, 255)
    # Magnifying glass: lens ring, light glass, handle.
    lens_x, lens_y = 38.0, 31.0
    d = math.hypot(x - lens_x, y - lens_y)
    if d <= 9.0:
        colour = (210, 235, 255, 255) if colour[3] == 0 else (
            (colour[0] + 190) // 2, (colour[1] + 225) // 2, (colour[2] + 255) // 2, 255)
    if 9.0 < d <= 12.0:
        colour = (35, 45, 60, 255)
    if segment_distance(x, y, 46.5, 39.5, 55, 48) <= 3.2:
        colour = (35, 45, 60, 255)
    # Replace arrow under the page.
    if abs(y - 54) <= 1.6 and 14 <= x <= 34:
        colour = (255, 150, 30, 255)
    if in_triangle(x, y, (33, 48.5), (41, 54), (33, 59.5)):
        colour = (255, 150, 30, 255)
    return colour


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = colour_at(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (SAMPLES * SAMPLES)
            if acc[3] == 0:
                row += bytes((0, 0, 0, 0))
            else:
                row += bytes((round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                              round(acc[2] / acc[3]), round(alpha)))
        rows.append(bytes(row))
    return rows


def png_bytes(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


if __name__ == "__main__":
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "AppIcon.png")
    with open(target, "wb") as out:
        out.write(png_bytes(render()))
