#!/usr/bin/env python3
"""Draws the two small desktops of the options window, 120 by 90 pixels, 24 bits per pixel:

  ScreenCorners.bmp  the active-corners page: the desktop with eight dark marks, a right-angled triangle
                     filling each corner and a short bar at the middle of each edge
  ScreenPlain.bmp    the search page: the same desktop without marks

The wallpaper is a blue-green with soft light streaks, brighter yellow-green towards the bottom left. Both
pictures share it pixel for pixel, so they differ only where the marks are.

Usage: draw_screens.py [OUT_DIR]   (default: the folder of this script)
Only the standard library; the output is deterministic. The files are uncompressed bitmaps (BI_RGB,
bottom-up rows padded to 4 bytes), shown by the window at their own size.
"""
import math
import os
import struct
import sys

from pixels import mix

WIDTH = 120
HEIGHT = 90
SUB = 4           # 4 by 4 subsamples per pixel for the edges of the marks

LEG = 17.0        # the legs of the corner triangles
BAR_LENGTH = 16   # the edge bars, centred on each edge's midpoint
BAR_THICK = 5
MARK = (14, 16, 20)  # near black ...
MARK_ALPHA = 0.86    # ... laid over the wallpaper, so that it reads as a translucent dark grey


def smooth(t):
    t = max(0.0, min(1.0, t))
    return t * t * (3 - 2 * t)


def streak(x, y, y0, slope, bend, width):
    """Gaussian brightness of a soft streak: a gentle curve rising from the lower left to the upper right."""
    u = x / WIDTH
    centre = y0 - slope * u * HEIGHT + bend * math.sin(math.pi * u) * HEIGHT
    d = (y - centre) / width
    return math.exp(-d * d)


def wallpaper(x, y):
    """The desktop's colour at a point (pixel units, 0..120 by 0..90), as floats 0..255."""
    u = x / WIDTH
    v = y / HEIGHT
    # The base: a deep teal-blue at the top right, a clearer blue-green lower down.
    c = mix((22, 84, 138), (26, 132, 136), v * 0.8 + (1 - u) * 0.25)
    # The glow: yellow-green, strongest at the bottom left corner.
    g = math.hypot(u * 1.15, (1 - v) * 1.35)
    c = mix(c, (168, 214, 82), 0.88 * (1 - smooth(g / 1.05)))
    # Soft light streaks, sweeping up towards the right.
    for y0, slope, bend, width, strength in ((74.0, 0.78, -0.10, 7.5, 0.30),
                                             (86.0, 0.70, -0.16, 4.0, 0.26),
                                             (58.0, 0.62, -0.05, 2.6, 0.22),
                                             (104.0, 0.86, -0.14, 10.0, 0.18)):
        s = streak(x, y, y0, slope, bend, width) * strength
        c = mix(c, (236, 250, 226), s * (0.55 + 0.45 * (1 - u)))
    # A faint darkening towards the top edge, so that the desktop has some depth.
    c = mix(c, (10, 48, 86), 0.22 * (1 - smooth(v / 0.45)))
    return c


def mark_coverage(x, y):
    """1 when the point lies on one of the eight marks, else 0."""
    w, h = WIDTH, HEIGHT
    # The four corner triangles: their right angle in the corner, legs along the two edges.
    for cx, cy in ((0, 0), (w, 0), (w, h), (0, h)):
        if abs(x - cx) + abs(y - cy) <= LEG:
            return 1
    # The four edge bars: horizontal on the top and bottom edges, vertical on the left and right.
    bx0 = (w - BAR_LENGTH) / 2
    by0 = (h - BAR_LENGTH) / 2
    if bx0 <= x <= bx0 + BAR_LENGTH and (y <= BAR_THICK or y >= h - BAR_THICK):
        return 1
    if by0 <= y <= by0 + BAR_LENGTH and (x <= BAR_THICK or x >= w - BAR_THICK):
        return 1
    return 0


def render(with_marks):
    """Rows top to bottom, each a list of (r, g, b) bytes."""
    rows = []
    for py in range(HEIGHT):
        row = []
        for px in range(WIDTH):
            c = wallpaper(px + 0.5, py + 0.5)
            if with_marks:
                cover = sum(mark_coverage(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                            for sy in range(SUB) for sx in range(SUB)) / (SUB * SUB)
                if cover > 0:
                    c = mix(c, MARK, MARK_ALPHA * cover)
            row.append(tuple(int(round(max(0.0, min(255.0, v)))) for v in c))
        rows.append(row)
    return rows


def bmp(rows):
    stride = (WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        pixels += line + bytes(stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, with_marks in (("ScreenCorners.bmp", True), ("ScreenPlain.bmp", False)):
        path = os.path.join(out, name)
        with open(path, "wb") as f:
            f.write(bmp(render(with_marks)))
        print(path)


if __name__ == "__main__":
    main()
