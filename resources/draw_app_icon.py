#!/usr/bin/env python3
"""Draws the program's icon: a glossy red round badge with a white monogram "P" (for Panoplex), written as
one Windows icon file of eighteen images, in this order (by depth, largest first within each):

  48, 32, 16 pixels at 4 bits per pixel   the standard 16 colours of Windows, with an AND mask
  48, 32, 16 pixels at 8 bits per pixel   a palette made from the image, with an AND mask
  256 (PNG), 128, 96, 80, 72, 64, 48, 40, 32, 24, 20, 16 pixels at 32 bits per pixel with alpha (BMP ones
  with an AND mask): among them every size that the title bar and the task bar ask for between 96 and 192
  pixels per inch (16, 20, 24, 32, 40, 48, 64)

Usage: draw_app_icon.py [OUT.ico]   (default: SetupPanoplex2D.ico beside this script)
Only the standard library: every pixel is 4 by 4 subsamples composited with the over operator (straight
alpha); the output is deterministic. Below 256 pixels the monogram's strokes sit on whole pixels, so that
the P stays crisp at 16 and 32 pixels.
"""
import math
import os
import struct
import sys

from pixels import mix, over, png_rgba

SUB = 4
TRUE_COLOUR_SIZES = (256, 128, 96, 80, 72, 64, 48, 40, 32, 24, 20, 16)
PALETTE_SIZES = (48, 32, 16)

# The monogram in units of the icon's size: the stem's left edge and width, the top and bottom of the
# letter, the bottom of the bowl, the thickness of the bowl's horizontal strokes and of its round right
# side, and the bowl's rightmost point.
P_UNIT = dict(xl=0.325, sw=0.135, yt=0.21, yb=0.79, ybb=0.58, th=0.115, tv=0.13, xr=0.69)


class Badge:
    """The geometry of the icon at one size, in pixels."""

    def __init__(self, size, gloss=1.0):
        self.size = size
        self.gloss = gloss
        s = float(size)
        self.c = s / 2
        self.small = size <= 32
        # Small sizes fill their square; larger ones leave room for a soft shadow below the badge.
        self.r = s / 2 - 0.35 if self.small else s * 0.468
        self.rim = max(1.0, s * 0.035)
        self.shadow = 0.0 if self.small else s * 0.025
        p = {k: v * s for k, v in P_UNIT.items()}
        if size < 256:
            p = {k: float(round(v)) for k, v in p.items()}
        self.xl, self.sw, self.yt, self.yb = p["xl"], p["sw"], p["yt"], p["yb"]
        self.ybb, self.th, self.tv = p["ybb"], p["th"], p["tv"]
        self.rb = (self.ybb - self.yt) / 2   # the radius of the bowl's round side
        self.ym = (self.ybb + self.yt) / 2
        self.xb = p["xr"] - self.rb          # where the bowl's round side begins

    def in_p(self, x, y):
        if self.xl <= x <= self.xl + self.sw and self.yt <= y <= self.yb:
            return True  # the stem
        if not (self.yt <= y <= self.ybb) or x < self.xl:
            return False
        # The bowl: a rectangle joined to a half disc, less the counter (a rectangle and a half ellipse).
        if x <= self.xb:
            outer = True
        else:
            outer = math.hypot(x - self.xb, y - self.ym) <= self.rb
        if not outer:
            return False
        rx = self.rb - self.tv
        ry = self.rb - self.th
        if abs(y - self.ym) > ry:
            return True
        if x < self.xl + self.sw:
            return True
        if x <= self.xb:
            return False
        return ((x - self.xb) / rx) ** 2 + ((y - self.ym) / ry) ** 2 > 1.0

    def sample(self, x, y):
        c = (0.0, 0.0, 0.0, 0.0)
        r = self.r
        d = math.hypot(x - self.c, y - self.c)
        if self.shadow:
            sd = math.hypot(x - self.c, y - self.c - self.shadow)
            edge = r + self.shadow * 0.8
            if sd < edge:
                c = over(c, (60, 0, 0, 0.32 * min(1.0, (edge - sd) / (self.shadow * 1.4))))
        if d > r:
            return c
        t = (y - (self.c - r)) / (2 * r)  # 0 at the top of the badge, 1 at its bottom
        # The face: a radial red, bright towards the upper middle, deep at the lower edge.
        fd = math.hypot(x - self.c, (y - (self.c - r * 0.15)) * 1.05) / (r * 1.12)
        face = mix((246, 78, 62), (168, 14, 20), fd ** 1.5)
        face = mix(face, (120, 4, 12), max(0.0, (y - self.c) / r) ** 2.5 * 0.55)
        # The rim: a darker edge all round, a little lighter on its inside at the bottom (reflected light).
        e = r - d
        if e < self.rim:
            k = 1 - e / self.rim
            face = mix(face, (96, 0, 8), 0.85 * k ** 0.8)
        elif e < self.rim * 2.2 and t > 0.55:
            k = 1 - (e - self.rim) / (self.rim * 1.2)
            face = mix(face, (236, 96, 84), 0.35 * k * min(1.0, (t - 0.55) / 0.3))
        c = over(c, face + (1.0,))
        # The gloss: a lens over the upper half, bright at the top and fading towards its lower edge.
        gx = (x - self.c) / (r * 0.78)
        gy = (y - (self.c - r * 0.50)) / (r * 0.44)
        gd = math.sqrt(gx * gx + gy * gy)
        if gd < 1.0:
            edge_soft = min(1.0, (1.0 - gd) * r * 0.44 / 0.9)  # about a pixel of soft edge
            fall = max(0.0, 1 - (gy + 1) / 2)                    # 1 at the lens's top, 0 at its bottom
            c = over(c, (255, 255, 255, (0.20 + 0.70 * fall ** 1.4) * edge_soft * self.gloss))
        # The monogram, with a faint dark edge below and to the right so that it stands off the face.
        if not self.small or self.size == 32:
            off = max(0.8, min(2.5, self.size * 0.022))
            if self.in_p(x - off * 0.5, y - off) and not self.in_p(x, y):
                c = over(c, (90, 0, 6, 0.40))
        if self.in_p(x, y):
            c = over(c, (255, 255, 255, 1.0))
        return c

    def render(self):
        """Rows top to bottom of (r, g, b, a) bytes, straight alpha."""
        rows = []
        n = SUB * SUB
        for py in range(self.size):
            row = []
            for px in range(self.size):
                acc = [0.0, 0.0, 0.0, 0.0]
                for sy in range(SUB):
                    for sx in range(SUB):
                        r, g, b, a = self.sample(px + (sx + 0.5) / SUB, py + (sy + 0.5) / SUB)
                        acc[0] += r * a
                        acc[1] += g * a
                        acc[2] += b * a
                        acc[3] += a
                if acc[3] <= 0:
                    row.append((0, 0, 0, 0))
                    continue
                rgb = tuple(int(round(min(255.0, v / acc[3]))) for v in acc[:3])
                row.append(rgb + (int(round(acc[3] / n * 255)),))
            rows.append(row)
        return rows


# ---- Writing the images ------------------------------------------------------------------------------

def png(rows):
    return png_rgba(len(rows), b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows))


def and_mask(transparent):
    """The 1-bit AND mask, bottom-up, rows padded to 4 bytes: 1 where the screen shows through."""
    size = len(transparent)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(transparent):
        line = bytearray(stride)
        for x, t in enumerate(row):
            if t:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def info_header(size, bits, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, colours, 0)


def bmp_32(rows):
    """A 32-bit image with straight alpha (BGRA, bottom-up) and an AND mask where alpha is 0."""
    size = len(rows)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask = and_mask([[a == 0 for _, _, _, a in row] for row in rows])
    return info_header(size, 32, len(xor) + len(mask), 0) + xor + mask


# The 16 colours of Windows in their usual order.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# The ones a red badge with a white letter uses: black, the two reds, silver (the gloss) and white.
VGA_USED = (0, 1, 7, 9, 15)
GLOSS_16 = 0.4


def nearest(palette, candidates, rgb):
    best = None
    for i in candidates:
        p = palette[i]
        d = (p[0] - rgb[0]) ** 2 * 3 + (p[1] - rgb[1]) ** 2 * 4 + (p[2] - rgb[2]) ** 2 * 2
        if best is None or d < best[0]:
            best = (d, i)
    return best[1]


def median_cut(colours, count):
    """Up to `count` representative colours of a list of (r, g, b), by median cut; deterministic."""
    boxes = [sorted(colours)]
    while len(boxes) < count:
        # Split the box with the widest channel range (ties: the most colours, then the first).
        best = None
        for i, box in enumerate(boxes):
            if len(set(box)) < 2:
                continue
            spans = [max(c[k] for c in box) - min(c[k] for c in box) for k in range(3)]
            key = (max(spans), len(box))
            if best is None or key > best[0]:
                best = (key, i, spans.index(max(spans)))
        if best is None:
            break
        _, i, k = best
        box = sorted(boxes[i], key=lambda c: (c[k], c))
        half = len(box) // 2
        # Keep equal colours in one box.
        while half < len(box) and box[half] == box[half - 1]:
            half += 1
        if half == len(box):
            half = len(box) // 2
            while half > 0 and box[half] == box[half - 1]:
                half -= 1
        boxes[i:i + 1] = [box[:half], box[half:]]
    return [tuple(int(round(sum(c[k] for c in box) / len(box))) for k in range(3)) for box in boxes]


def bmp_palettized(rows, bits):
    """A 4- or 8-bit image with an AND mask: opaque where the badge covers at least half the pixel."""
    size = len(rows)
    opaque = [[a >= 128 for _, _, _, a in row] for row in rows]
    if bits == 4:
        palette = list(VGA)
        index = []
        for y, row in enumerate(rows):
            line = []
            for x, (r, g, b, a) in enumerate(row):
                if not opaque[y][x]:
                    line.append(0)
                    continue
                line.append(nearest(palette, VGA_USED, (r, g, b)))
            index.append(line)
    else:
        colours = [px[:3] for y, row in enumerate(rows) for x, px in enumerate(row) if opaque[y][x]]
        palette = [(0, 0, 0)] + median_cut(colours, 255)  # 0: the black behind the transparent pixels
        palette += [(0, 0, 0)] * (256 - len(palette))
        cache = {}
        index = []
        for y, row in enumerate(rows):
            line = []
            for x, px in enumerate(row):
                if not opaque[y][x]:
                    line.append(0)
                    continue
                rgb = px[:3]
                if rgb not in cache:
                    cache[rgb] = nearest(palette, range(1, 256), rgb)
                line.append(cache[rgb])
            index.append(line)
    stride = ((size * bits + 31) // 32) * 4
    xor = bytearray()
    for line in reversed(index):
        out = bytearray(stride)
        for x, i in enumerate(line):
            if bits == 8:
                out[x] = i
            else:
                out[x // 2] |= i << (4 if x % 2 == 0 else 0)
        xor += out
    mask = and_mask([[not o for o in row] for row in opaque])
    colours = 1 << bits
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette[:colours])
    return info_header(size, bits, len(xor) + len(mask), colours) + table + bytes(xor) + mask


def icon_file(images):
    """images: (size, bits, data) in directory order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        colours = 16 if bits == 4 else 0
        side = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", side, side, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                             "SetupPanoplex2D.ico")
    drawn = {size: Badge(size).render() for size in TRUE_COLOUR_SIZES}
    # In 16 colours the gloss can only be grey: a weaker one keeps it to a band at the top of the badge.
    images = [(size, 4, bmp_palettized(Badge(size, gloss=GLOSS_16).render(), 4)) for size in PALETTE_SIZES]
    images += [(size, 8, bmp_palettized(drawn[size], 8)) for size in PALETTE_SIZES]
    images += [(size, 32, png(drawn[size]) if size >= 256 else bmp_32(drawn[size]))
               for size in TRUE_COLOUR_SIZES]
    with open(out, "wb") as f:
        f.write(icon_file(images))
    print(out)


if __name__ == "__main__":
    main()
