"""What the programs that draw the resources share: mixing colours, compositing with straight alpha,
and writing a square RGBA PNG. Standard library only."""
import struct
import zlib


def mix(a, b, t):
    """The colour t of the way from a to b, t clamped to 0..1."""
    t = max(0.0, min(1.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def over(dst, src):
    """Composites src (r, g, b, a; straight alpha in 0..1) over dst."""
    sa = src[3]
    da = dst[3]
    oa = sa + da * (1 - sa)
    if oa <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((src[i] * sa + dst[i] * da * (1 - sa)) / oa for i in range(3)) + (oa,)


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_rgba(size, raw):
    """A PNG of a size-by-size RGBA image from its scanlines, each a filter byte and its pixels."""
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8 bits, RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(raw, 9)) +
            png_chunk(b"IEND", b""))
