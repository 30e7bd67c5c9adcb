#!/usr/bin/env python3
"""Draws Glyphwell's embedded pictures and sound and writes them into resources/.

The files it writes are kept in the repository, so building the program needs
no generation step; run this tool only after changing a picture here. With the
same zlib it re-creates the committed files byte for byte.

    make_resources.py                 write the files into resources/
    make_resources.py --check         compare freshly made files with resources/
    make_resources.py --sheet F.png   also write a contact sheet of all pictures,
                                      enlarged eight times, for looking at them

Only the Python standard library is used. Pictures are made of simple shapes
given as signed distance functions (negative inside); pixels on an edge are
supersampled 8 x 8, pixels well inside or outside a shape are filled or left
alone whole. PNG files are written with zlib and struct.
"""

import argparse
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RESOURCES = os.path.join(ROOT, "resources")

SUBSAMPLES = 8          # per axis, for pixels on an edge
EDGE = 0.75             # a pixel whose centre is farther than this is whole


def trig(degrees):
    """cos and sin, rounded so that the last bit of libm cannot change a pixel."""
    a = math.radians(degrees)
    return round(math.cos(a), 12), round(math.sin(a), 12)


def length(x, y):
    return math.sqrt(x * x + y * y)


# --- Shapes -----------------------------------------------------------------
# Each shape has sd(x, y), its signed distance (negative inside; never larger
# in size than the true distance), and bbox = (x0, y0, x1, y1).

class Circle:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def sd(self, x, y):
        return length(x - self.cx, y - self.cy) - self.r


class Box:
    """Axis-parallel rectangle from (x0, y0) to (x1, y1), corners rounded by r."""

    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.cx, self.cy = (x0 + x1) / 2, (y0 + y1) / 2
        self.hx, self.hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
        self.r = r
        self.bbox = (x0, y0, x1, y1)

    def sd(self, x, y):
        qx = abs(x - self.cx) - self.hx
        qy = abs(y - self.cy) - self.hy
        outside = length(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - self.r


class Capsule:
    """Line from a to b with half width hw and round ends."""

    def __init__(self, ax, ay, bx, by, hw):
        self.ax, self.ay, self.bx, self.by, self.hw = ax, ay, bx, by, hw
        self.dx, self.dy = bx - ax, by - ay
        self.dd = self.dx * self.dx + self.dy * self.dy
        self.bbox = (min(ax, bx) - hw, min(ay, by) - hw, max(ax, bx) + hw, max(ay, by) + hw)

    def sd(self, x, y):
        px, py = x - self.ax, y - self.ay
        t = 0.0 if self.dd == 0 else max(0.0, min(1.0, (px * self.dx + py * self.dy) / self.dd))
        return length(px - t * self.dx, py - t * self.dy) - self.hw


class Arc:
    """Circular line of radius r around (cx, cy), half width hw, round ends.

    It starts at angle a0 (degrees, 0 = right, 90 = down) and runs through
    `sweep` degrees in the direction of growing angles (clockwise on screen).
    """

    def __init__(self, cx, cy, r, a0, sweep, hw):
        self.cx, self.cy, self.r, self.hw = cx, cy, r, hw
        self.a0, self.sweep = a0, sweep
        c0, s0 = trig(a0)
        c1, s1 = trig(a0 + sweep)
        self.ends = ((cx + r * c0, cy + r * s0), (cx + r * c1, cy + r * s1))
        e = r + hw
        self.bbox = (cx - e, cy - e, cx + e, cy + e)

    def sd(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        a = math.degrees(math.atan2(dy, dx))
        if (a - self.a0) % 360.0 <= self.sweep:
            return abs(length(dx, dy) - self.r) - self.hw
        return min(length(x - ex, y - ey) for ex, ey in self.ends) - self.hw


class Polygon:
    """Closed polygon; inside by the non-zero winding rule."""

    def __init__(self, points):
        self.pts = list(points)
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))
        self.edges = []
        n = len(self.pts)
        for i in range(n):
            ax, ay = self.pts[i]
            bx, by = self.pts[(i + 1) % n]
            dx, dy = bx - ax, by - ay
            self.edges.append((ax, ay, bx, by, dx, dy, dx * dx + dy * dy))

    def sd(self, x, y):
        best = float("inf")
        winding = 0
        for ax, ay, bx, by, dx, dy, dd in self.edges:
            px, py = x - ax, y - ay
            t = 0.0 if dd == 0 else max(0.0, min(1.0, (px * dx + py * dy) / dd))
            ex, ey = px - t * dx, py - t * dy
            d = ex * ex + ey * ey
            if d < best:
                best = d
            cross = dx * py - dy * px
            if ay <= y < by and cross > 0:
                winding += 1
            elif by <= y < ay and cross < 0:
                winding -= 1
        d = math.sqrt(best)
        return -d if winding else d


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes
        self.bbox = (min(s.bbox[0] for s in shapes), min(s.bbox[1] for s in shapes),
                     max(s.bbox[2] for s in shapes), max(s.bbox[3] for s in shapes))

    def sd(self, x, y):
        return min(s.sd(x, y) for s in self.shapes)


class Intersection:
    def __init__(self, *shapes):
        self.shapes = shapes
        self.bbox = (max(s.bbox[0] for s in shapes), max(s.bbox[1] for s in shapes),
                     min(s.bbox[2] for s in shapes), min(s.bbox[3] for s in shapes))

    def sd(self, x, y):
        return max(s.sd(x, y) for s in self.shapes)


class Difference:
    def __init__(self, shape, *holes):
        self.shape, self.holes = shape, holes
        self.bbox = shape.bbox

    def sd(self, x, y):
        d = self.shape.sd(x, y)
        for h in self.holes:
            d = max(d, -h.sd(x, y))
        return d


class Grow:
    """The shape made larger by d on every side (smaller for negative d)."""

    def __init__(self, shape, d):
        self.shape, self.d = shape, d
        b = shape.bbox
        self.bbox = (b[0] - d, b[1] - d, b[2] + d, b[3] + d)

    def sd(self, x, y):
        return self.shape.sd(x, y) - self.d


class Placed:
    """The shape turned by `degrees` around the origin, then moved by (tx, ty)."""

    def __init__(self, shape, degrees, tx=0.0, ty=0.0):
        self.shape, self.tx, self.ty = shape, tx, ty
        self.c, self.s = trig(degrees)
        b = shape.bbox
        corners = [self._forward(px, py) for px in (b[0], b[2]) for py in (b[1], b[3])]
        self.bbox = (min(p[0] for p in corners), min(p[1] for p in corners),
                     max(p[0] for p in corners), max(p[1] for p in corners))

    def _forward(self, x, y):
        return (x * self.c - y * self.s + self.tx, x * self.s + y * self.c + self.ty)

    def sd(self, x, y):
        x, y = x - self.tx, y - self.ty
        return self.shape.sd(x * self.c + y * self.s, -x * self.s + y * self.c)


# --- Canvas -----------------------------------------------------------------

def rgb(hex_colour, alpha=1.0):
    v = int(hex_colour.lstrip("#"), 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255, alpha)


def vertical_gradient(top, bottom, y0, y1):
    """Paint that runs from colour `top` at y0 to `bottom` at y1."""
    def paint(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return paint


class Canvas:
    """RGBA picture, kept premultiplied in floating point while drawing."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]

    def coverage(self, shape, i, j, soft):
        cx, cy = i + 0.5, j + 0.5
        d = shape.sd(cx, cy)
        if soft > 0:
            # Soft edge (shadows): smooth step over [-soft, +soft].
            t = max(0.0, min(1.0, (soft - d) / (2 * soft)))
            return t * t * (3 - 2 * t)
        if d >= EDGE:
            return 0.0
        if d <= -EDGE:
            return 1.0
        n = SUBSAMPLES
        inside = 0
        for sj in range(n):
            y = j + (sj + 0.5) / n
            for si in range(n):
                if shape.sd(i + (si + 0.5) / n, y) < 0:
                    inside += 1
        return inside / (n * n)

    def fill(self, shape, paint, soft=0.0):
        """Draws `paint` (an RGBA tuple or a function of x, y) over the shape."""
        b = shape.bbox
        pad = 1 + soft
        i0 = max(0, int(math.floor(b[0] - pad)))
        j0 = max(0, int(math.floor(b[1] - pad)))
        i1 = min(self.w, int(math.ceil(b[2] + pad)) + 1)
        j1 = min(self.h, int(math.ceil(b[3] + pad)) + 1)
        for j in range(j0, j1):
            for i in range(i0, i1):
                cov = self.coverage(shape, i, j, soft)
                if cov <= 0.0:
                    continue
                r, g, bl, a = paint(i + 0.5, j + 0.5) if callable(paint) else paint
                a *= cov
                p = self.px[j * self.w + i]
                keep = 1.0 - a
                p[0] = r / 255.0 * a + p[0] * keep
                p[1] = g / 255.0 * a + p[1] * keep
                p[2] = bl / 255.0 * a + p[2] * keep
                p[3] = a + p[3] * keep

    def rgba(self):
        """Straight (not premultiplied) 8-bit RGBA rows, top row first."""
        out = bytearray()
        for r, g, b, a in self.px:
            alpha = int(a * 255.0 + 0.5)
            if alpha <= 0:
                out += b"\0\0\0\0"
                continue
            out += bytes(min(255, int(c / a * 255.0 + 0.5)) for c in (r, g, b))
            out.append(min(255, alpha))
        return bytes(out)


# --- PNG, ICO and WAV writers -----------------------------------------------

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_rows(raw, w, h, bpp=4):
    """Per row, the PNG filter with the smallest sum of absolute differences."""
    stride = w * bpp
    prev = bytes(stride)
    out = bytearray()
    for j in range(h):
        row = raw[j * stride:(j + 1) * stride]
        candidates = []
        for ftype in range(5):
            f = bytearray(stride)
            for k in range(stride):
                a = row[k - bpp] if k >= bpp else 0
                b = prev[k]
                c = prev[k - bpp] if k >= bpp else 0
                pred = (0, a, b, (a + b) >> 1, paeth(a, b, c))[ftype]
                f[k] = (row[k] - pred) & 255
            score = sum(v if v < 128 else 256 - v for v in f)
            candidates.append((score, ftype, f))
        score, ftype, f = min(candidates, key=lambda t: (t[0], t[1]))
        out.append(ftype)
        out += f
        prev = row
    return bytes(out)


def encode_png(w, h, rgba):
    """8-bit RGBA, not interlaced."""
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    idat = zlib.compress(filter_rows(rgba, w, h), 9)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", idat)
            + png_chunk(b"IEND", b""))


def encode_icon_bitmap(w, h, rgba):
    """Icon image as 32-bit DIB (bottom-up BGRA) followed by its AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    mask_stride = (w + 31) // 32 * 4
    mask = bytearray()
    for j in reversed(range(h)):
        row = rgba[j * w * 4:(j + 1) * w * 4]
        bits = bytearray(mask_stride)
        for i in range(w):
            r, g, b, a = row[i * 4:i * 4 + 4]
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bits
    header = header[:20] + struct.pack("<I", len(pixels) + len(mask)) + header[24:]
    return header + bytes(pixels) + bytes(mask)


def encode_ico(images):
    """images: list of (size, encoded image). Entries keep the given order."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def encode_wav(samples, rate=44100):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    return (b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE"
            + b"fmt " + struct.pack("<I", len(fmt)) + fmt
            + b"data" + struct.pack("<I", len(data)) + data)


# --- The pictures -----------------------------------------------------------

def outlined(canvas, shape, paint, outline, width):
    """A shape with a border of `width` pixels in the colour `outline`."""
    canvas.fill(Grow(shape, width), outline)
    canvas.fill(shape, paint)


def draw_new():
    c = Canvas(24, 24)
    plus = Union(Box(3, 9, 21, 15, 1.0), Box(9, 3, 15, 21, 1.0))
    outlined(c, plus, vertical_gradient(rgb("#6ad15a"), rgb("#2a9a2a"), 3, 21), rgb("#1b6b1e"), 1.0)
    return c


def draw_delete():
    c = Canvas(24, 24)
    cross = Union(Capsule(5.6, 5.6, 18.4, 18.4, 2.6), Capsule(5.6, 18.4, 18.4, 5.6, 2.6))
    outlined(c, cross, vertical_gradient(rgb("#f0645a"), rgb("#c4201a"), 4, 20), rgb("#7e1410"), 1.0)
    return c


def draw_edit():
    """A pencil lying from the upper right (eraser) to the lower left (point)."""
    c = Canvas(24, 24)
    w = 3.1                       # half width of the pencil
    tip_len, body_end, ferrule_end, end = 6.0, 16.0, 18.0, 21.0

    def place(shape):
        # Local frame: point at the origin, pencil along +x. Turned so that
        # +x points to the upper right, the point sits at the lower left.
        return Placed(shape, -45.0, 3.6, 20.4)

    wood = Polygon([(0.0, 0.0), (tip_len, -w), (tip_len, w)])
    lead = Polygon([(0.0, 0.0), (2.4, -w * 2.4 / tip_len), (2.4, w * 2.4 / tip_len)])
    body = Box(tip_len, -w, body_end, w)
    ferrule = Box(body_end, -w, ferrule_end, w)
    eraser = Box(ferrule_end, -w, end, w, 1.2)
    whole = Union(wood, Box(tip_len - 0.01, -w, ferrule_end + 0.01, w), eraser)

    c.fill(place(Grow(whole, 0.9)), rgb("#3b2f1a"))
    c.fill(place(wood), rgb("#f0c890"))
    c.fill(place(lead), rgb("#303030"))
    c.fill(place(body), rgb("#f5c518"))
    c.fill(place(Box(tip_len, -w, body_end, -w / 3)), rgb("#ffe36b"))
    c.fill(place(Box(tip_len, w / 3, body_end, w)), rgb("#d49a06"))
    c.fill(place(ferrule), rgb("#b8b8c0"))
    c.fill(place(Box(body_end, -w, ferrule_end, -w / 3)), rgb("#e4e4ea"))
    c.fill(place(eraser), rgb("#e0352b"))
    c.fill(place(Box(ferrule_end + 0.6, -w, end, -w / 3, 0.6)), rgb("#f27a70"))
    return c


def draw_help():
    c = Canvas(16, 16)
    disc = Circle(8.0, 8.0, 7.5)
    c.fill(disc, rgb("#0f2f6e"))
    c.fill(Circle(8.0, 8.0, 6.6), vertical_gradient(rgb("#3566c0"), rgb("#16408e"), 1.5, 14.5))
    hook = Arc(8.0, 5.9, 2.4, 180.0, 225.0, 0.95)
    stem = Union(Capsule(9.55, 7.75, 8.1, 8.9, 0.95), Capsule(8.1, 8.9, 8.1, 9.6, 0.95))
    dot = Circle(8.1, 12.0, 1.1)
    c.fill(Union(hook, stem, dot), rgb("#ffffff"))
    return c


def draw_settings():
    c = Canvas(16, 16)
    teeth = [Placed(Box(-1.25, -7.6, 1.25, 0.0, 0.35), a, 8.0, 8.0) for a in range(0, 360, 45)]
    wheel = Union(Circle(8.0, 8.0, 5.4), *teeth)
    # Dark rim outside and round the hole, lighter metal in between.
    c.fill(Difference(wheel, Circle(8.0, 8.0, 2.1)), rgb("#505050"))
    c.fill(Difference(Grow(wheel, -0.8), Circle(8.0, 8.0, 2.9)),
           vertical_gradient(rgb("#c8c8c8"), rgb("#8c8c8c"), 1, 15))
    return c


def draw_quit():
    c = Canvas(16, 16)
    ring = Arc(8.0, 8.6, 5.3, -52.0, 284.0, 1.05)
    bar = Capsule(8.0, 1.6, 8.0, 7.6, 1.05)
    symbol = Union(ring, bar)
    outlined(c, symbol, vertical_gradient(rgb("#f04a3a"), rgb("#c01810"), 2, 14), rgb("#7a0c08", 0.9), 0.6)
    return c


FLAG_TOP, FLAG_BOTTOM = 2, 14   # the flags fill 16 x 12 pixels


def flag_frame(c):
    """A thin darker edge so that white parts stand out on a white menu."""
    edge = Difference(Box(0, FLAG_TOP, 16, FLAG_BOTTOM), Box(1, FLAG_TOP + 1, 15, FLAG_BOTTOM - 1))
    c.fill(edge, (0, 0, 0, 0.28))


def draw_flag_fr():
    c = Canvas(16, 16)
    c.fill(Box(0, FLAG_TOP, 5, FLAG_BOTTOM), rgb("#0055a4"))
    c.fill(Box(5, FLAG_TOP, 11, FLAG_BOTTOM), rgb("#ffffff"))
    c.fill(Box(11, FLAG_TOP, 16, FLAG_BOTTOM), rgb("#ef4135"))
    flag_frame(c)
    return c


def draw_flag_de():
    c = Canvas(16, 16)
    c.fill(Box(0, FLAG_TOP, 16, FLAG_TOP + 4), rgb("#000000"))
    c.fill(Box(0, FLAG_TOP + 4, 16, FLAG_TOP + 8), rgb("#dd0000"))
    c.fill(Box(0, FLAG_TOP + 8, 16, FLAG_BOTTOM), rgb("#ffce00"))
    flag_frame(c)
    return c


def draw_flag_gb():
    c = Canvas(16, 16)
    top, bottom = FLAG_TOP, FLAG_BOTTOM
    field = Box(0, top, 16, bottom)
    cx, cy = 8.0, (top + bottom) / 2
    c.fill(field, rgb("#012169"))
    # St Andrew's and St Patrick's saltires: white diagonals with a narrower
    # red stripe beside the centre line, turned the same way in every quarter.
    corners = [(0.0, top), (16.0, top), (16.0, bottom), (0.0, bottom)]
    white = Union(*[Capsule(cx, cy, kx, ky, 1.45) for kx, ky in corners])
    c.fill(Intersection(white, field), rgb("#ffffff"))
    for kx, ky in corners:
        dx, dy = kx - cx, ky - cy
        n = length(dx, dy)
        dx, dy = dx / n, dy / n
        nx, ny = dy, -dx               # the side that carries the red stripe
        red_w = 1.0
        band = Polygon([(cx, cy), (cx + dx * n * 1.2, cy + dy * n * 1.2),
                        (cx + dx * n * 1.2 + nx * red_w, cy + dy * n * 1.2 + ny * red_w),
                        (cx + nx * red_w, cy + ny * red_w)])
        quarter = Box(min(cx, kx), min(cy, ky), max(cx, kx), max(cy, ky))
        c.fill(Intersection(band, quarter), rgb("#c8102e"))
    # St George's cross.
    c.fill(Union(Box(cx - 2, top, cx + 2, bottom), Box(0, cy - 2, 16, cy + 2)), rgb("#ffffff"))
    c.fill(Union(Box(cx - 1, top, cx + 1, bottom), Box(0, cy - 1, 16, cy + 1)), rgb("#c8102e"))
    flag_frame(c)
    return c


def draw_check(size):
    """The program's icon: a blue check mark with a grey shadow."""
    c = Canvas(size, size)
    s = float(size)
    hw = 0.085 * s                   # half width of the stroke
    a, b, e = (0.13, 0.53), (0.39, 0.78), (0.86, 0.20)
    pts_a = (a[0] * s, a[1] * s)      # end of the short arm
    pts_b = (b[0] * s, b[1] * s)      # the bend
    pts_e = (e[0] * s, e[1] * s)      # end of the long arm

    def normal(p, q):
        dx, dy = q[0] - p[0], q[1] - p[1]
        n = length(dx, dy)
        return (-dy / n, dx / n)

    n1 = normal(pts_a, pts_b)
    n2 = normal(pts_b, pts_e)
    # Mitre at the bend: along the sum of both normals.
    mx, my = n1[0] + n2[0], n1[1] + n2[1]
    k = hw / ((mx * n1[0] + my * n1[1]))
    miter = (mx * k, my * k)
    rounding = 0.025 * s
    inner = hw - rounding

    def side(p, n, h):
        return (p[0] + n[0] * h, p[1] + n[1] * h)

    km = inner / hw
    outline = Polygon([
        side(pts_a, n1, inner), (pts_b[0] + miter[0] * km, pts_b[1] + miter[1] * km),
        side(pts_e, n2, inner), side(pts_e, n2, -inner),
        (pts_b[0] - miter[0] * km, pts_b[1] - miter[1] * km), side(pts_a, n1, -inner)])
    check = Grow(outline, rounding)

    shadow_dx, shadow_dy = 0.035 * s, 0.045 * s
    c.fill(Placed(check, 0.0, shadow_dx, shadow_dy), (110, 110, 110, 0.6), soft=max(0.4, 0.022 * s))
    border = max(1.0, 0.02 * s)
    c.fill(check, rgb("#0d3f8f"))
    c.fill(Grow(check, -border),
           vertical_gradient(rgb("#5aa2f0"), rgb("#1d5fc6"), 0.2 * s, 0.85 * s))
    return c


IMAGES = [
    ("new.png", draw_new),
    ("edit.png", draw_edit),
    ("delete.png", draw_delete),
    ("help.png", draw_help),
    ("settings.png", draw_settings),
    ("quit.png", draw_quit),
    ("flag_fr.png", draw_flag_fr),
    ("flag_de.png", draw_flag_de),
    ("flag_gb.png", draw_flag_gb),
]

ICON_SIZES = (256, 48, 32, 16)


# --- The beep ---------------------------------------------------------------

BEEP_SAMPLES = 5962
BEEP_RATE = 44100
BEEP_FREQUENCY = 1970.0
BEEP_AMPLITUDE = 22924       # makes the slope 4 * A * f / rate = 4096 per sample
BEEP_FADE = 130


def beep_samples():
    out = []
    period = BEEP_RATE / BEEP_FREQUENCY
    for n in range(BEEP_SAMPLES):
        phase = (n / period) % 1.0
        # Triangle starting at 0 and rising: 0 -> +1 -> -1 -> 0.
        if phase < 0.25:
            v = 4 * phase
        elif phase < 0.75:
            v = 2 - 4 * phase
        else:
            v = 4 * phase - 4
        left = BEEP_SAMPLES - 1 - n
        gain = min(1.0, left / BEEP_FADE)
        out.append(int(round(v * BEEP_AMPLITUDE * gain)))
    return out


# --- Output -----------------------------------------------------------------

def make_files():
    """{path relative to resources/: bytes} of every generated file."""
    files = {}
    for name, draw in IMAGES:
        c = draw()
        files["images/" + name] = encode_png(c.w, c.h, c.rgba())
    entries = []
    for size in ICON_SIZES:
        c = draw_check(size)
        if size >= 256:
            entries.append((size, encode_png(size, size, c.rgba())))
        else:
            entries.append((size, encode_icon_bitmap(size, size, c.rgba())))
    files["icon/glyphwell.ico"] = encode_ico(entries)
    files["sound/beep.wav"] = encode_wav(beep_samples(), BEEP_RATE)
    return files


class Sheet:
    """Opaque picture for looking at the drawings; written without filtering."""

    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.data = bytearray(bytes(colour) * (w * h))

    def rect(self, x0, y0, x1, y1, colour):
        row = bytes(colour) * (x1 - x0)
        for y in range(y0, y1):
            o = (y * self.w + x0) * 3
            self.data[o:o + len(row)] = row

    def blit(self, pic, x0, y0, scale, bg):
        data = pic.rgba()
        for j in range(pic.h):
            for i in range(pic.w):
                r, g, b, a = data[(j * pic.w + i) * 4:(j * pic.w + i) * 4 + 4]
                col = tuple((c * a + k * (255 - a) + 127) // 255 for c, k in zip((r, g, b), bg))
                self.rect(x0 + i * scale, y0 + j * scale, x0 + (i + 1) * scale,
                          y0 + (j + 1) * scale, col)

    def png(self):
        raw = b"".join(b"\0" + bytes(self.data[y * self.w * 3:(y + 1) * self.w * 3])
                       for y in range(self.h))
        ihdr = struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
                + png_chunk(b"IDAT", zlib.compress(raw, 6)) + png_chunk(b"IEND", b""))


SHEET_BACKGROUNDS = [(255, 255, 255), (240, 240, 240), (45, 45, 48)]


def contact_sheets(scale=6):
    """Two sheets: the nine pictures and the icon sizes, each on a white, a
    menu-grey and a dark background, enlarged and at 1x and 2x."""
    gap = 10

    def sheet(pictures, scale):
        width = sum(p.w * scale for p in pictures) + gap * (len(pictures) + 1)
        tall = max(p.h for p in pictures)
        small_h = tall * 3 + 3 * gap
        panel_h = tall * scale + small_h + gap
        s = Sheet(width, panel_h * len(SHEET_BACKGROUNDS), (0, 0, 0))
        for k, bg in enumerate(SHEET_BACKGROUNDS):
            y0 = k * panel_h
            s.rect(0, y0, width, y0 + panel_h, bg)
            x = gap
            for p in pictures:
                s.blit(p, x, y0 + gap, 1, bg)
                s.blit(p, x + p.w + gap, y0 + gap, 2, bg)
                s.blit(p, x, y0 + small_h, scale, bg)
                x += p.w * scale + gap
        return s.png()

    pictures = [draw() for _, draw in IMAGES]
    icons = [draw_check(size) for size in (48, 32, 16)]
    big = draw_check(256)
    s = Sheet((256 + gap) * len(SHEET_BACKGROUNDS) + gap, 256 + 2 * gap, (0, 0, 0))
    for k, bg in enumerate(SHEET_BACKGROUNDS):
        x0 = k * (256 + gap)
        s.rect(x0, 0, x0 + 256 + 2 * gap, 256 + 2 * gap, bg)
        s.blit(big, x0 + gap, gap, 1, bg)
    return sheet(pictures, scale), sheet(icons, scale), s.png()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the files in resources/ instead of writing them")
    parser.add_argument("--sheet", metavar="PNG", help="also write enlarged contact sheets (F.png, F-icon.png, F-icon256.png)")
    parser.add_argument("--out", default=RESOURCES, help="folder to write into (default resources/)")
    args = parser.parse_args()

    files = make_files()
    status = 0
    for rel, data in sorted(files.items()):
        path = os.path.join(args.out, rel)
        if args.check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            print(("same     " if same else "DIFFERS  ") + rel)
            if not same:
                status = 1
        else:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
            print("wrote %s (%d bytes)" % (rel, len(data)))
    if args.sheet:
        stem, ext = os.path.splitext(args.sheet)
        names = (args.sheet, stem + "-icon" + ext, stem + "-icon256" + ext)
        for name, data in zip(names, contact_sheets()):
            with open(name, "wb") as f:
                f.write(data)
            print("wrote " + name)
    return status


if __name__ == "__main__":
    sys.exit(main())
