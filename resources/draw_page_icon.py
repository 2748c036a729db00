#!/usr/bin/env python3
"""Draws the page icon of the glass buttons: a green round button with a glossy rim and a white
arrow pointing down, 48 by 48 pixels, RGBA with a transparent background.

Usage: draw_page_icon.py [OUT.png]   (default: PageIcon.png beside this script)
Only the standard library: every pixel is 4 by 4 subsamples composited with the over operator.
"""
import math
import os
import sys

from pixels import mix, over, png_rgba

SIZE = 48
SUB = 4
CX = CY = 24.0
R_OUTER = 22.6   # the rim's outer edge
R_INNER = 19.4   # the green face inside the rim


def in_arrow(x, y):
    # Shaft from y 10.5 to 25, 8 wide; head from y 22.5 down to its tip at y 37, 23 wide.
    if 20.0 <= x <= 28.0 and 10.5 <= y <= 25.0:
        return True
    if 22.5 <= y <= 37.0:
        half = 11.5 * (37.0 - y) / (37.0 - 22.5)
        return abs(x - CX) <= half
    return False


def sample(x, y):
    d = math.hypot(x - CX, y - CY)
    c = (0.0, 0.0, 0.0, 0.0)
    # A soft shadow below the button.
    sd = math.hypot(x - CX, (y - CY - 1.2) * 1.02)
    if sd < R_OUTER + 1.2:
        c = over(c, (0, 40, 0, 0.35 * min(1.0, (R_OUTER + 1.2 - sd) / 1.6)))
    if d > R_OUTER:
        return c
    t = (y - (CY - R_OUTER)) / (2 * R_OUTER)  # 0 at the top of the button, 1 at its bottom
    if d > R_INNER:
        # The rim: pale and glossy above, a deeper green-grey below, its own edge darker.
        rim = mix((238, 250, 236), (96, 150, 88), t ** 0.9)
        edge = (d - R_INNER) / (R_OUTER - R_INNER)
        if edge > 0.75:
            rim = mix(rim, (40, 96, 36), (edge - 0.75) / 0.25 * 0.8)
        if edge < 0.2:
            rim = mix(rim, (30, 80, 30), (0.2 - edge) / 0.2 * 0.5)
        return over(c, rim + (1.0,))
    # The face: a radial green, light towards the upper middle, deep at the lower edge.
    fd = math.hypot(x - CX, y - (CY + 6.0)) / (R_INNER + 6.0)
    face = mix((118, 214, 72), (26, 120, 24), fd ** 1.3)
    face = mix(face, (18, 92, 18), max(0.0, (y - CY) / R_INNER) ** 3 * 0.6)
    c = over(c, face + (1.0,))
    # The arrow, with a faint dark edge below it so that it stands off the face.
    if in_arrow(x, y - 0.9) and not in_arrow(x, y):
        c = over(c, (10, 70, 10, 0.45))
    if in_arrow(x, y):
        c = over(c, (255, 255, 255, 1.0))
    # The gloss: a lens over the upper half, strong at the top and fading towards the middle.
    gx = (x - CX) / (R_INNER * 0.86)
    gy = (y - (CY - R_INNER * 0.42)) / (R_INNER * 0.55)
    if gx * gx + gy * gy <= 1.0:
        ga = 0.62 * max(0.0, 1 - max(0.0, (y - (CY - R_INNER)) / (R_INNER * 0.95))) ** 1.4
        c = over(c, (255, 255, 255, max(0.0, ga)))
    return c


def render():
    rows = []
    for py in range(SIZE):
        row = bytearray([0])  # filter type None
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUB):
                for sx in range(SUB):
                    r, g, b, a = sample(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SUB * SUB
            a = acc[3] / n
            if a <= 0:
                row += bytes(4)
                continue
            rgb = [int(round(min(255.0, v / acc[3]))) for v in acc[:3]]
            row += bytes(rgb + [int(round(a * 255))])
        rows.append(bytes(row))
    return b"".join(rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                             "PageIcon.png")
    with open(out, "wb") as f:
        f.write(png_rgba(SIZE, render()))
    print(out)


if __name__ == "__main__":
    main()
