#!/usr/bin/env python3
"""Draws the program's own tray strip, data/Image/Lns16.png.

Six 16 x 16 magnifier glyphs side by side (96 x 16 RGBA): a lens ring with a
pale glass and a handle to the lower right, in blue, green, orange, red,
white and black. Each glyph has a one-pixel outline in the opposite
brightness, so it reads on light and on dark taskbars alike. Edges are
antialiased by 8 x 8 supersampling.

Python 3 standard library only; the output is the same byte for byte on
every run:  python3 tools/images/make_lns16.py [OUTPUT]
"""
import math
import struct
import sys
import zlib
from pathlib import Path

CELL = 16
SUB = 8  # samples per pixel and axis

# (ring, glass, outline) as RGB; the glass is drawn at GLASS_ALPHA.
VARIANTS = [
    ((0x1E, 0x6F, 0xD9), (0xCF, 0xE6, 0xFF), (0x0A, 0x1A, 0x33)),  # blue
    ((0x1F, 0x9D, 0x55), (0xD4, 0xF5, 0xE1), (0x0A, 0x26, 0x14)),  # green
    ((0xF0, 0x8C, 0x00), (0xFF, 0xEB, 0xC8), (0x33, 0x1C, 0x00)),  # orange
    ((0xD6, 0x2D, 0x2D), (0xFF, 0xD9, 0xD9), (0x33, 0x08, 0x08)),  # red
    ((0xF4, 0xF4, 0xF4), (0xFF, 0xFF, 0xFF), (0x20, 0x20, 0x20)),  # white
    ((0x26, 0x26, 0x26), (0xB8, 0xB8, 0xB8), (0xF2, 0xF2, 0xF2)),  # black
]
GLASS_ALPHA = 0.55
HANDLE = (0x9A, 0x66, 0x33)  # the handle's own colour for the coloured glyphs

CX, CY = 6.5, 6.5  # lens centre
R_IN, R_OUT = 3.4, 5.6  # ring
H_FROM, H_TO, H_HALF = (10.0, 10.0), (14.2, 14.2), 1.45  # handle capsule
OUTLINE = 1.0


def seg_dist(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def sample(px, py, ring, glass, outline, handle):
    """Straight RGBA (floats 0..1) of the glyph at one sample point."""
    r = math.hypot(px - CX, py - CY)
    in_ring = R_IN <= r <= R_OUT
    in_handle = seg_dist(px, py, H_FROM, H_TO) <= H_HALF and r >= R_OUT - 0.5
    if in_ring:
        # A light glint on the ring's upper left.
        angle = math.atan2(py - CY, px - CX)
        glint = 0.35 if -2.6 < angle < -1.9 else 0.0
        return tuple(c / 255 * (1 - glint) + glint for c in ring) + (1.0,)
    if in_handle:
        return tuple(c / 255 for c in handle) + (1.0,)
    if r < R_IN:
        return tuple(c / 255 for c in glass) + (GLASS_ALPHA,)
    near_ring = r <= R_OUT + OUTLINE
    near_handle = seg_dist(px, py, H_FROM, H_TO) <= H_HALF + OUTLINE
    if near_ring or near_handle:
        return tuple(c / 255 for c in outline) + (1.0,)
    return (0.0, 0.0, 0.0, 0.0)


def draw_cell(ring, glass, outline):
    handle = ring if ring[0] == ring[1] == ring[2] else HANDLE
    pixels = []
    for y in range(CELL):
        row = []
        for x in range(CELL):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied sums
            for sy in range(SUB):
                for sx in range(SUB):
                    r, g, b, a = sample(x + (sx + 0.5) / SUB, y + (sy + 0.5) / SUB, ring, glass, outline, handle)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUB * SUB
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / acc[3] * 255) for c in acc[:3]) + (round(alpha * 255),))
        pixels.append(row)
    return pixels


def png_bytes(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "data/Image/Lns16.png"
    cells = [draw_cell(*v) for v in VARIANTS]
    rows = [[px for cell in cells for px in cell[y]] for y in range(CELL)]
    out.write_bytes(png_bytes(CELL * len(cells), CELL, rows))
    print(f"{out}: {CELL * len(cells)} x {CELL}, {len(cells)} images")


if __name__ == "__main__":
    main()
