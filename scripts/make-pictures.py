#!/usr/bin/python3
"""Draws the launcher's pictures into forms/pictures/.

Window backgrounds (24-bit BMP; magenta (255,0,255) outside the window's
outline, which the toolkit cuts from those pixels), picture-button state
pictures (PNG with alpha, JPEG for the lottery window), the face picture of
the registration button, the fifteen prize icons (baseline JPEG) and the
program icon.

Needs only Python 3 and PIL (Debian python3-pil) and the WenQuanYi Micro Hei
font (Debian fonts-wqy-microhei). The output is deterministic: the same bytes
on every run, since every random choice comes from a fixed seed and no file
carries a date.

    /usr/bin/python3 scripts/make-pictures.py [output-folder]
"""

import io
import math
import os
import random
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
MAGENTA = (255, 0, 255)
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "forms", "pictures")

# Prize JPEGs must stay inside this length range (bytes), picture 3 included.
PRIZE_MIN_BYTES = 2713
PRIZE_MAX_BYTES = 6049

# ----------------------------------------------------------------- colours


def mix(a, b, t):
    """Colour between a and b; t = 0 gives a, 1 gives b."""
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def ramp(stops, t):
    """Colour at t on a list of (position, colour) stops sorted by position."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 1.0)
    return stops[-1][1]


def smoothstep(e0, e1, x):
    t = max(0.0, min(1.0, (x - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


GOLD_LIGHT = (255, 238, 170)
GOLD = (232, 182, 78)
GOLD_DARK = (150, 96, 30)
BRONZE = (64, 38, 12)

# ----------------------------------------------------------------- images


def font(px):
    return ImageFont.truetype(FONT_PATH, px)


def vgradient(size, stops):
    """RGB image whose rows run through the colour stops from top to bottom."""
    w, h = size
    col = Image.new("RGB", (1, h))
    col.putdata([ramp(stops, (y + 0.5) / h) for y in range(h)])
    return col.resize((w, h), Image.NEAREST)


def hgradient(size, stops):
    w, h = size
    row = Image.new("RGB", (w, 1))
    row.putdata([ramp(stops, (x + 0.5) / w) for x in range(w)])
    return row.resize((w, h), Image.NEAREST)


def lgradient(size, stops, angle_deg):
    """RGB linear gradient along a direction (0 degrees: left to right, 90: top to bottom)."""
    w, h = size
    diag = int(math.ceil(math.hypot(w, h))) + 2
    strip = hgradient((diag, diag), stops)
    strip = strip.rotate(-angle_deg, resample=Image.BICUBIC)
    left = (diag - w) // 2
    top = (diag - h) // 2
    return strip.crop((left, top, left + w, top + h))


def radial_mask(size, falloff=lambda t: 1.0 - t):
    """L image: 255 * falloff(r) for r the distance from the centre, 1 at the ellipse's edge."""
    w, h = size
    base = Image.radial_gradient("L").resize((w, h), Image.BILINEAR)
    # radial_gradient holds the distance from its centre times sqrt(2): 181 at
    # the middle of its edges. Rescale so 1 is the ellipse's edge.
    lut = [int(round(255 * max(0.0, min(1.0, falloff(min(1.0, v / 181.0)))))) for v in range(256)]
    return base.point(lut)


def paste_colour(canvas, colour, mask, box=(0, 0)):
    """Paints colour through mask (L) onto canvas at box."""
    layer = Image.new(canvas.mode, mask.size, colour if canvas.mode == "RGB" else colour + (255,))
    canvas.paste(layer, box, mask)


def scale_mask(mask, factor):
    return mask.point(lambda v: int(v * factor))


def glow(canvas, mask, colour, radius, strength=1.0, box=(0, 0)):
    """Soft light of colour around (and under) the shape in mask."""
    pad = radius * 3
    big = Image.new("L", (mask.size[0] + 2 * pad, mask.size[1] + 2 * pad), 0)
    big.paste(mask, (pad, pad))
    big = big.filter(ImageFilter.GaussianBlur(radius))
    if strength != 1.0:
        big = big.point(lambda v: min(255, int(v * strength)))
    paste_colour(canvas, colour, big, (box[0] - pad, box[1] - pad))


def shift(mask, dx, dy):
    return ImageChops.offset(mask, dx, dy)


def dilate(mask, px):
    for _ in range(px):
        mask = mask.filter(ImageFilter.MaxFilter(3))
    return mask


def erode(mask, px):
    for _ in range(px):
        mask = mask.filter(ImageFilter.MinFilter(3))
    return mask


def polygon_mask(size, points, scale=1):
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).polygon([(x * scale, y * scale) for x, y in points], fill=255)
    return m


def ellipse_mask(size, box, scale=1):
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).ellipse([v * scale for v in box], fill=255)
    return m


def chamfer_points(x0, y0, x1, y1, c):
    """Rectangle with its four corners cut at 45 degrees by c."""
    return [(x0 + c, y0), (x1 - c, y0), (x1, y0 + c), (x1, y1 - c),
            (x1 - c, y1), (x0 + c, y1), (x0, y1 - c), (x0, y0 + c)]


def bezier(p0, p1, p2, p3, n=24):
    pts = []
    for i in range(n + 1):
        t = i / n
        u = 1 - t
        pts.append((u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
                    u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1]))
    return pts


# ----------------------------------------------------------------- text


def draw_text(canvas, centre, text, px, top, bottom, outline=(28, 14, 4), stroke=1,
              shadow=True, glow_colour=None, glow_radius=3, spacing=0):
    """Centred text with a vertical gradient fill, a dark outline and a drop shadow.

    Rendered at the final size so the font's hinting keeps small glyphs crisp.
    """
    f = font(px)
    w, h = canvas.size
    text_mask = Image.new("L", (w, h), 0)
    edge_mask = Image.new("L", (w, h), 0)
    if spacing:
        # Letter-spaced: place every glyph on its own.
        widths = [f.getlength(ch) for ch in text]
        total = sum(widths) + spacing * (len(text) - 1)
        x = centre[0] - total / 2
        for ch, cw in zip(text, widths):
            pos = (x + cw / 2, centre[1])
            ImageDraw.Draw(text_mask).text(pos, ch, font=f, fill=255, anchor="mm")
            ImageDraw.Draw(edge_mask).text(pos, ch, font=f, fill=255, anchor="mm",
                                           stroke_width=stroke, stroke_fill=255)
            x += cw + spacing
    else:
        ImageDraw.Draw(text_mask).text(centre, text, font=f, fill=255, anchor="mm")
        ImageDraw.Draw(edge_mask).text(centre, text, font=f, fill=255, anchor="mm",
                                       stroke_width=stroke, stroke_fill=255)
    box = edge_mask.getbbox() or (0, 0, w, h)
    if glow_colour is not None:
        glow(canvas, edge_mask, glow_colour, glow_radius)
    if shadow:
        sh = shift(edge_mask, 0, 1).filter(ImageFilter.GaussianBlur(0.8))
        paste_colour(canvas, (0, 0, 0), scale_mask(sh, 0.8))
    if stroke:
        paste_colour(canvas, outline, edge_mask)
    fill = Image.new("RGB", (w, h), top)
    y0, y1 = box[1], box[3]
    grad = vgradient((w, max(1, y1 - y0)), [(0, top), (0.45, mix(top, bottom, 0.35)), (1, bottom)])
    fill.paste(grad, (0, y0))
    fill.paste(Image.new("RGB", (w, max(0, h - y1)), bottom), (0, y1))
    if canvas.mode == "RGBA":
        fill = fill.convert("RGBA")
    canvas.paste(fill, (0, 0), text_mask)


# ----------------------------------------------------------------- window outlines
#
# An outline is a signed distance field: for every pixel the distance from its
# centre to the outline, positive inside. Pixels with a positive distance are
# the window; every other pixel becomes pure magenta. The golden frame is then
# painted in bands of equal distance, so it follows every curve and notch.


def sd_round_box(px, py, x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    qx = abs(px - cx) - (x1 - x0) / 2 + r
    qy = abs(py - cy) - (y1 - y0) / 2 + r
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def sd_polygon(px, py, pts):
    d = (px - pts[0][0]) ** 2 + (py - pts[0][1]) ** 2
    s = 1.0
    n = len(pts)
    for i in range(n):
        vi = pts[i]
        vj = pts[i - 1]
        ex, ey = vj[0] - vi[0], vj[1] - vi[1]
        wx, wy = px - vi[0], py - vi[1]
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        bx, by = wx - ex * t, wy - ey * t
        d = min(d, bx * bx + by * by)
        c1 = py >= vi[1]
        c2 = py < vj[1]
        c3 = ex * wy > ey * wx
        if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
            s = -s
    return s * math.sqrt(d)


class Outline:
    """A window outline built from rounded boxes and polygons, added or cut away."""

    def __init__(self, size):
        self.size = size
        self.parts = []  # (sign, kind, args, bounding box)

    def add_box(self, x0, y0, x1, y1, r):
        self.parts.append((+1, "box", (x0, y0, x1, y1, r), None))

    def add_polygon(self, pts):
        self.parts.append((+1, "poly", pts, self._bounds(pts)))

    def cut_polygon(self, pts):
        self.parts.append((-1, "poly", pts, self._bounds(pts)))

    @staticmethod
    def _bounds(pts, margin=40):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        return (min(xs) - margin, min(ys) - margin, max(xs) + margin, max(ys) + margin)

    def depth(self, px, py):
        d = None  # signed distance, negative inside
        for sign, kind, args, bb in self.parts:
            if bb is not None and not (bb[0] <= px <= bb[2] and bb[1] <= py <= bb[3]):
                continue  # far from this part: it cannot change a distance we draw
            v = sd_round_box(px, py, *args) if kind == "box" else sd_polygon(px, py, args)
            if sign > 0:
                d = v if d is None else min(d, v)
            elif d is not None:
                d = max(d, -v)
        return -d if d is not None else -1e9

    def render(self):
        """(depth, inside): depth as L in eighths of a pixel (0 outside, capped at 255);
        inside as L, 255 exactly where the window is."""
        w, h = self.size
        depth_vals = []
        inside_vals = []
        for y in range(h):
            py = y + 0.5
            for x in range(w):
                d = self.depth(x + 0.5, py)
                if d > 0:
                    inside_vals.append(255)
                    depth_vals.append(min(255, max(1, int(d * 8))))
                else:
                    inside_vals.append(0)
                    depth_vals.append(0)
        depth = Image.new("L", (w, h))
        depth.putdata(depth_vals)
        inside = Image.new("L", (w, h))
        inside.putdata(inside_vals)
        return depth, inside


def frame_band(d):
    """(colour, alpha) of the golden frame at distance d (pixels) inside the outline."""
    if d < 1.2:
        return BRONZE, 1.0
    if d < 4.4:
        t = (d - 1.2) / 3.2
        return ramp([(0, (178, 118, 40)), (0.3, (255, 236, 160)), (0.6, (236, 184, 80)), (1, (150, 92, 28))], t), 1.0
    if d < 5.4:
        return (44, 26, 8), 1.0
    if d < 6.6:
        return (226, 176, 84), 1.0
    if d < 7.6:
        return (18, 10, 4), 0.55
    if d < 18:
        t = (d - 7.6) / 10.4
        return (255, 196, 96), 0.22 * (1 - t) ** 2
    return (0, 0, 0), 0.0


def frame_luts():
    """Per-channel look-up tables from the depth image to the frame's colour and
    alpha, averaged over a pixel's width so the inner band edges are smooth."""
    r, g, b, a = [], [], [], []
    for v in range(256):
        acc = [0.0, 0.0, 0.0, 0.0]
        samples = 8
        for k in range(samples):
            d = (v + (k - samples / 2 + 0.5) / samples * 8) / 8.0
            if d <= 0:
                d = 0.01
            (cr, cg, cb), ca = frame_band(d)
            acc[0] += cr * ca
            acc[1] += cg * ca
            acc[2] += cb * ca
            acc[3] += ca
        alpha = acc[3] / samples
        if v == 0:
            alpha = 0.0
        if alpha > 0:
            r.append(int(round(acc[0] / acc[3])))
            g.append(int(round(acc[1] / acc[3])))
            b.append(int(round(acc[2] / acc[3])))
        else:
            r.append(0)
            g.append(0)
            b.append(0)
        a.append(int(round(255 * alpha)))
    return r, g, b, a


def paint_frame(canvas, depth):
    r, g, b, a = frame_luts()
    colour = Image.merge("RGB", (depth.point(r), depth.point(g), depth.point(b)))
    # Light from above: the frame is brighter at the top of the window.
    light = vgradient(canvas.size, [(0, (255, 255, 255)), (1, (200, 190, 180))])
    colour = ImageChops.multiply(colour, light)
    canvas.paste(colour, (0, 0), depth.point(a))


def cut_outline(canvas, inside):
    """Pure magenta outside the window; no pixel is blended with it."""
    canvas.paste(Image.new("RGB", canvas.size, MAGENTA), (0, 0), ImageChops.invert(inside))


def keep_away_from_magenta(canvas, inside):
    """Moves every window pixel that is close to magenta in colour (distance up
    to 30) away from it, so the outline cut never takes a pixel of the picture."""
    px = canvas.load()
    ins = inside.load()
    w, h = canvas.size
    for y in range(h):
        for x in range(w):
            if not ins[x, y]:
                continue
            r, g, b = px[x, y]
            if (255 - r) ** 2 + g * g + (255 - b) ** 2 <= 32 * 32:
                px[x, y] = (max(0, r - 60), min(255, g + 40), max(0, b - 60))


def stud(canvas, cx, cy, r):
    """A small golden diamond stud with a gem-red centre, for the frame's corners."""
    s = 4
    size = (int(4 * r * s), int(4 * r * s))
    c = size[0] / 2
    outer = polygon_mask(size, [(c, c - 2 * r * s), (c + 1.3 * r * s, c), (c, c + 2 * r * s), (c - 1.3 * r * s, c)])
    inner = polygon_mask(size, [(c, c - 1.0 * r * s), (c + 0.65 * r * s, c), (c, c + 1.0 * r * s), (c - 0.65 * r * s, c)])
    edge = dilate(outer, s)
    layer = Image.new("RGBA", size, (0, 0, 0, 0))
    paste_colour(layer, BRONZE, edge)
    layer.paste(lgradient(size, [(0, GOLD_LIGHT), (0.5, GOLD), (1, GOLD_DARK)], 60).convert("RGBA"), (0, 0), outer)
    layer.paste(lgradient(size, [(0, (255, 140, 120)), (0.5, (190, 30, 40)), (1, (90, 10, 20))], 60).convert("RGBA"), (0, 0), inner)
    layer = layer.resize((size[0] // s, size[1] // s), Image.LANCZOS)
    canvas.paste(layer, (int(cx - layer.size[0] / 2), int(cy - layer.size[1] / 2)), layer)


# ----------------------------------------------------------------- night scene


def ridge(rng, width, base, rough, steps, smooth=0, decay=0.55):
    """Heights of a mountain ridge by midpoint displacement, one per column."""
    n = 1 << steps
    pts = [base + rng.uniform(-rough, rough) for _ in range(2)]
    scale = rough
    while len(pts) < n + 1:
        nxt = []
        for a, b in zip(pts, pts[1:]):
            nxt += [a, (a + b) / 2 + rng.uniform(-scale, scale)]
        nxt.append(pts[-1])
        pts = nxt
        scale *= decay
    out = []
    for x in range(width):
        f = x / (width - 1) * n
        i = min(int(f), n - 1)
        t = f - i
        out.append(pts[i] * (1 - t) + pts[i + 1] * t)
    for _ in range(smooth):
        out = [out[max(0, i - 1)] * 0.25 + out[i] * 0.5 + out[min(len(out) - 1, i + 1)] * 0.25 for i in range(len(out))]
    return out


def fill_below(canvas, heights, gradient, x0=0, rim=None):
    w, h = canvas.size
    pts = [(x0, h)] + [(x0 + i, y) for i, y in enumerate(heights)] + [(x0 + len(heights) - 1, h)]
    m = polygon_mask((w, h), pts)
    canvas.paste(gradient, (0, 0), m)
    if rim is not None:
        colour, alpha = rim
        line = Image.new("L", (w, h), 0)
        ImageDraw.Draw(line).line([(x0 + i, y + 0.5) for i, y in enumerate(heights)], fill=int(255 * alpha), width=1)
        paste_colour(canvas, colour, line)


def peaks(heights, summits):
    """Raises sharp summits (x, height, half-width) onto a ridge."""
    out = []
    for x, y in enumerate(heights):
        lift = 0.0
        for px, hgt, wid in summits:
            t = abs(x - px) / wid
            lift = max(lift, hgt * math.exp(-t * t) * (1 - 0.35 * min(1.0, t)))
        out.append(y - lift)
    return out


def moonlit_faces(canvas, heights, light_x, depth, strength, colour):
    """Lights the mountain faces that turn towards the moon, fading downhill, so
    a ridge shows facets instead of a flat silhouette."""
    w, h = canvas.size
    m = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(m)
    n = len(heights)
    steps = 8
    for x in range(n):
        # Slope over a few columns: broad facets, not one streak per column.
        dy = (heights[min(n - 1, x + 6)] - heights[max(0, x - 6)]) / 12.0
        facing = dy if x < light_x else -dy  # downhill away from the moon faces it
        lit = max(0.0, min(1.0, facing * 1.6))
        if lit <= 0:
            continue
        top = heights[x]
        for j in range(steps):
            y0 = top + depth * j / steps
            y1 = top + depth * (j + 1) / steps
            d.line([(x, y0), (x, y1)], fill=int(255 * strength * lit * (1 - j / steps) ** 1.5))
    m = m.filter(ImageFilter.GaussianBlur(2.0))
    paste_colour(canvas, colour, m)


def snow(canvas, heights, strength):
    """Moonlit snow on the highest parts of a ridge."""
    w, h = canvas.size
    top = min(heights)
    low = max(heights)
    m = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(m)
    for x, y in enumerate(heights):
        height = max(0.0, 1 - (y - top) / max(1.0, (low - top) * 0.6))
        if height <= 0:
            continue
        d.line([(x, y), (x, y + 2 + 8 * height ** 2)], fill=int(255 * strength * height ** 3))
    paste_colour(canvas, (214, 210, 250), m.filter(ImageFilter.GaussianBlur(1.0)))


def starfield(canvas, rng, box, count, big):
    x0, y0, x1, y1 = box
    w, h = canvas.size
    layer = Image.new("L", (w, h), 0)
    tint = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(layer)
    dt = ImageDraw.Draw(tint)
    for _ in range(count):
        x = rng.uniform(x0, x1)
        y = y0 + (y1 - y0) * rng.random() ** 1.4
        b = int(60 + 195 * rng.random() ** 2.2)
        d.point((x, y), fill=b)
        dt.point((x, y), fill=int(255 * rng.random()))
    paste_colour(canvas, (236, 240, 255), layer)
    # Warm and cold stars: a second, sparser layer in pale gold.
    warm = ImageChops.multiply(layer, tint.point(lambda v: 255 if v > 200 else 0))
    paste_colour(canvas, (255, 226, 170), warm)
    for _ in range(big):
        x = rng.uniform(x0 + 10, x1 - 10)
        y = rng.uniform(y0 + 5, y0 + (y1 - y0) * 0.75)
        r = rng.uniform(1.3, 2.4)
        spark = Image.new("L", (41, 41), 0)
        sd = ImageDraw.Draw(spark)
        sd.line([(20 - r * 3, 20), (20 + r * 3, 20)], fill=150)
        sd.line([(20, 20 - r * 3), (20, 20 + r * 3)], fill=150)
        spark = spark.filter(ImageFilter.GaussianBlur(0.6))
        sd = ImageDraw.Draw(spark)
        sd.ellipse([20 - r / 2, 20 - r / 2, 20 + r / 2, 20 + r / 2], fill=255)
        halo = Image.new("L", (41, 41), 0)
        ImageDraw.Draw(halo).ellipse([20 - r * 2, 20 - r * 2, 20 + r * 2, 20 + r * 2], fill=120)
        halo = halo.filter(ImageFilter.GaussianBlur(r))
        paste_colour(canvas, (170, 190, 255), halo, (int(x) - 20, int(y) - 20))
        paste_colour(canvas, (250, 250, 255), spark, (int(x) - 20, int(y) - 20))


def nebula(canvas, rng, box, blobs, colours):
    w, h = canvas.size
    for i in range(blobs):
        layer = Image.new("L", (w, h), 0)
        cx = rng.uniform(box[0], box[2])
        cy = rng.uniform(box[1], box[3])
        rx = rng.uniform(60, 170)
        ry = rx * rng.uniform(0.25, 0.5)
        ImageDraw.Draw(layer).ellipse([cx - rx, cy - ry, cx + rx, cy + ry], fill=int(rng.uniform(40, 80)))
        layer = layer.filter(ImageFilter.GaussianBlur(rx * 0.35))
        paste_colour(canvas, colours[i % len(colours)], layer)


def moon(canvas, cx, cy, r):
    w, h = canvas.size
    halo = radial_mask((int(r * 9), int(r * 9)), lambda t: (1 - t) ** 2.2 * 0.55)
    paste_colour(canvas, (150, 150, 230), halo, (int(cx - r * 4.5), int(cy - r * 4.5)))
    halo2 = radial_mask((int(r * 3.2), int(r * 3.2)), lambda t: (1 - t) ** 1.6 * 0.7)
    paste_colour(canvas, (220, 220, 255), halo2, (int(cx - r * 1.6), int(cy - r * 1.6)))
    s = 4
    size = (int(2 * r * s) + 8, int(2 * r * s) + 8)
    disc = ellipse_mask(size, (4, 4, 4 + 2 * r * s, 4 + 2 * r * s))
    body = lgradient(size, [(0, (250, 248, 255)), (0.55, (222, 222, 242)), (1, (170, 170, 210))], 45)
    rng = random.Random(91)
    for _ in range(9):
        cr = rng.uniform(0.08, 0.22) * r * s
        ccx = rng.uniform(0.25, 0.75) * 2 * r * s + 4
        ccy = rng.uniform(0.25, 0.75) * 2 * r * s + 4
        crater = ellipse_mask(size, (ccx - cr, ccy - cr, ccx + cr, ccy + cr)).filter(ImageFilter.GaussianBlur(cr * 0.3))
        paste_colour(body, (180, 180, 210), scale_mask(crater, 0.55))
    layer = Image.new("RGB", size)
    layer.paste(body, (0, 0))
    layer = layer.resize((size[0] // s, size[1] // s), Image.LANCZOS)
    disc = disc.resize(layer.size, Image.LANCZOS)
    canvas.paste(layer, (int(cx - r) - 1, int(cy - r) - 1), disc)


def wisps(canvas, rng, box, count, colour, alpha):
    w, h = canvas.size
    layer = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(layer)
    for _ in range(count):
        cx = rng.uniform(box[0], box[2])
        cy = rng.uniform(box[1], box[3])
        rx = rng.uniform(50, 140)
        ry = rng.uniform(3, 8)
        d.ellipse([cx - rx, cy - ry, cx + rx, cy + ry], fill=int(255 * alpha * rng.uniform(0.5, 1)))
    layer = layer.filter(ImageFilter.GaussianBlur(6))
    paste_colour(canvas, colour, layer)


def castle(canvas, x, base, scale, lit_seed=5):
    """A castle silhouette standing on base (y), centred near x, with lit windows."""
    w, h = canvas.size
    s = 3  # drawn at three times the size for smooth roofs and spires
    m = Image.new("L", (w * s, h * s), 0)
    d = ImageDraw.Draw(m)
    windows = []

    def P(px, py):
        return ((x + px * scale) * s, (base - py * scale) * s)

    def rect(x0, y0, x1, y1):
        d.polygon([P(x0, y0), P(x1, y0), P(x1, y1), P(x0, y1)], fill=255)

    def crenels(x0, x1, top, n, hgt=4):
        step = (x1 - x0) / (2 * n - 1)
        for i in range(n):
            rect(x0 + 2 * i * step, top, x0 + (2 * i + 1) * step, top + hgt)

    def tower(cx, half, top, roof, spire=True):
        rect(cx - half, 0, cx + half, top)
        d.polygon([P(cx - half - 3, top), P(cx + half + 3, top), P(cx, top + roof)], fill=255)
        rect(cx - half - 3, top - 3, cx + half + 3, top)
        if spire:
            d.line([P(cx, top + roof), P(cx, top + roof + 12)], fill=255, width=max(1, int(s * scale)))
            d.polygon([P(cx, top + roof + 12), P(cx + 9, top + roof + 9), P(cx, top + roof + 6)], fill=255)
        for k in range(int(top // 28)):
            windows.append((cx, 16 + k * 28))

    # Curtain wall and gate.
    rect(-120, 0, 120, 46)
    crenels(-120, 120, 46, 16)
    tower(-112, 11, 80, 34)
    tower(112, 11, 74, 30)
    tower(-64, 13, 118, 44)
    tower(66, 12, 106, 40)
    # The keep: the tallest tower, with a balcony.
    rect(-26, 0, 26, 150)
    crenels(-30, 30, 150, 5, 5)
    rect(-30, 146, 30, 151)
    tower(0, 14, 190, 58)
    windows += [(-14, 70), (14, 70), (0, 110), (-14, 128), (14, 128), (0, 160)]
    windows += [(-40, 24), (40, 24), (-88, 24), (88, 24)]
    m = m.resize((w, h), Image.LANCZOS)
    canvas.paste(Image.new("RGB", (w, h), (14, 12, 34)), (0, 0), m)
    # Moonlight on the castle's left edges.
    rim = ImageChops.subtract(m, shift(m, 1, 0))
    paste_colour(canvas, (96, 96, 160), scale_mask(rim, 0.55))
    lit = Image.new("L", (w, h), 0)
    ld = ImageDraw.Draw(lit)
    rng = random.Random(lit_seed)
    for wx, wy in windows:
        if rng.random() < 0.75:
            cx, cy = x + wx * scale, base - wy * scale
            ld.rectangle([cx - 1, cy - 2, cx + 1, cy + 2], fill=255)
    glow(canvas, lit, (255, 150, 60), 3, 1.4)
    paste_colour(canvas, (255, 214, 120), lit)


def pines(canvas, rng, heights, x0, x1, colour, tall=(16, 34)):
    w, h = canvas.size
    s = 3
    m = Image.new("L", (w * s, h * s), 0)
    d = ImageDraw.Draw(m)
    x = x0
    while x < x1:
        th = rng.uniform(*tall)
        gy = heights[int(min(len(heights) - 1, max(0, x)))] + 2
        half = th * 0.28
        for k in range(4):
            ty = gy - th * (0.25 + 0.25 * k) - th * 0.25
            by = gy - th * 0.22 * k
            hw = half * (1 - 0.18 * k)
            d.polygon([((x - hw) * s, by * s), ((x + hw) * s, by * s), (x * s, ty * s)], fill=255)
        d.rectangle([(x - 1) * s, (gy - 3) * s, (x + 1) * s, gy * s], fill=255)
        x += rng.uniform(5, 14)
    m = m.resize((w, h), Image.LANCZOS)
    paste_colour(canvas, colour, m)


def embers(canvas, rng, box, count):
    w, h = canvas.size
    layer = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(layer)
    for _ in range(count):
        x = rng.uniform(box[0], box[2])
        y = rng.uniform(box[1], box[3])
        r = rng.uniform(0.6, 1.5)
        d.ellipse([x - r, y - r, x + r, y + r], fill=int(rng.uniform(120, 255)))
    glow(canvas, layer, (255, 140, 40), 3, 1.6)
    paste_colour(canvas, (255, 220, 140), layer)


def vignette(canvas, strength=0.55):
    w, h = canvas.size
    m = radial_mask((int(w * 1.35), int(h * 1.6)), lambda t: smoothstep(0.45, 1.0, t) * strength)
    m = m.crop(((m.size[0] - w) // 2, (m.size[1] - h) // 2, (m.size[0] - w) // 2 + w, (m.size[1] - h) // 2 + h))
    paste_colour(canvas, (0, 0, 6), m)


def dark_panel(canvas, box, alpha=0.78, colour=(7, 6, 20), fade=0, border=True, radius=6):
    """A calm dark area for controls and run-time text, with a thin golden edge."""
    x0, y0, x1, y1 = box
    w, h = x1 - x0, y1 - y0
    s = 4
    m = Image.new("L", (w * s, h * s), 0)
    ImageDraw.Draw(m).rounded_rectangle([0, 0, w * s - 1, h * s - 1], radius=radius * s, fill=int(255 * alpha))
    m = m.resize((w, h), Image.LANCZOS)
    if fade:
        ramp_x = hgradient((w, h), [(0, (0, 0, 0)), (fade / w, (255, 255, 255)),
                                     (1 - fade / w, (255, 255, 255)), (1, (0, 0, 0))]).convert("L")
        m = ImageChops.multiply(m, ramp_x)
    top_shade = vgradient((w, h), [(0, mix(colour, (40, 30, 70), 0.5)), (0.3, colour), (1, colour)])
    canvas.paste(top_shade, (x0, y0), m)
    if border:
        e = Image.new("L", (w * s, h * s), 0)
        ImageDraw.Draw(e).rounded_rectangle([s, s, w * s - 1 - s, h * s - 1 - s], radius=radius * s,
                                            outline=255, width=s)
        e = e.resize((w, h), Image.LANCZOS)
        if fade:
            e = ImageChops.multiply(e, ramp_x)
        paste_colour(canvas, (200, 150, 64), scale_mask(e, 0.85), (x0, y0))


def gold_rule(canvas, x0, x1, y, alpha=0.9, jewel=True):
    """A thin golden line that fades at both ends, with a diamond in the middle."""
    w = x1 - x0
    line = hgradient((w, 1), [(0, (0, 0, 0)), (0.25, (255, 255, 255)), (0.75, (255, 255, 255)), (1, (0, 0, 0))]).convert("L")
    paste_colour(canvas, (226, 178, 84), scale_mask(line, alpha), (x0, y))
    paste_colour(canvas, (60, 36, 10), scale_mask(line, alpha * 0.7), (x0, y + 1))
    if jewel:
        stud(canvas, (x0 + x1) / 2, y + 0.5, 2.6)


def emblem(size, wings=False):
    """The launcher's emblem: a golden-rimmed shield with a four-pointed star.
    Returns RGBA of size x size."""
    s = 8
    S = size * s
    c = S / 2
    rim_w = max(1.6, size * 0.065) * s

    def shield(inset):
        top = S * 0.08 + inset
        left = S * 0.14 + inset
        right = S - left
        shoulder = S * 0.36
        tip = S * 0.95 - inset * 1.3
        pts = [(left, top + S * 0.05), (c, top - S * 0.01), (right, top + S * 0.05), (right, shoulder)]
        pts += bezier((right, shoulder), (right, S * 0.66), (c + S * 0.18, S * 0.8), (c, tip))[1:]
        pts += bezier((c, tip), (c - S * 0.18, S * 0.8), (left, S * 0.66), (left, shoulder))[1:]
        return pts

    layer = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    if wings:
        wing = Image.new("L", (S, S), 0)
        wd = ImageDraw.Draw(wing)
        for side in (-1, 1):
            for k in range(3):
                y = S * (0.22 + 0.13 * k)
                length = S * (0.47 - 0.08 * k)
                wd.polygon([(c + side * S * 0.25, y), (c + side * length, y - S * 0.06),
                            (c + side * (length - S * 0.05), y + S * 0.06), (c + side * S * 0.25, y + S * 0.1)], fill=255)
        paste_colour(layer, BRONZE, dilate(wing, s))
        layer.paste(vgradient((S, S), [(0, GOLD_LIGHT), (0.5, GOLD), (1, GOLD_DARK)]).convert("RGBA"), (0, 0), wing)
    outer = polygon_mask((S, S), shield(0))
    inner = polygon_mask((S, S), shield(rim_w))
    paste_colour(layer, BRONZE, dilate(outer, s))
    layer.paste(lgradient((S, S), [(0, (255, 244, 190)), (0.4, (240, 190, 84)), (0.75, (176, 112, 34)), (1, (240, 190, 90))], 70).convert("RGBA"), (0, 0), outer)
    # Bevel of the rim: light along its upper-left edge, dark along the lower right.
    bevel = max(1, int(rim_w * 0.3))
    paste_colour(layer, (255, 252, 225), scale_mask(ImageChops.subtract(outer, shift(outer, bevel, bevel)), 0.7))
    paste_colour(layer, (90, 50, 10), scale_mask(ImageChops.subtract(outer, shift(outer, -bevel, -bevel)), 0.5))
    paste_colour(layer, (60, 34, 8), dilate(inner, max(1, s // 2)))
    layer.paste(vgradient((S, S), [(0, (60, 58, 146)), (0.6, (26, 22, 80)), (1, (12, 10, 40))]).convert("RGBA"), (0, 0), inner)
    gloss = ImageChops.multiply(inner, ellipse_mask((S, S), (-S * 0.2, -S * 0.35, S * 0.9, S * 0.5)))
    paste_colour(layer, (200, 210, 255), scale_mask(gloss, 0.12))
    shade = ImageChops.subtract(inner, shift(inner, -bevel, -bevel))
    paste_colour(layer, (0, 0, 0), scale_mask(shade, 0.4))
    # The star: four long points and four short ones.
    star = Image.new("L", (S, S), 0)
    sy = S * 0.5
    long_r, short_r, waist = S * 0.3, S * 0.16, S * 0.055
    pts = []
    for k in range(16):
        a = math.pi / 8 * k - math.pi / 2
        rr = long_r if k % 4 == 0 else (short_r if k % 4 == 2 else waist)
        pts.append((c + math.cos(a) * rr, sy + math.sin(a) * rr))
    ImageDraw.Draw(star).polygon(pts, fill=255)
    star = ImageChops.multiply(star, inner)
    halo = star.filter(ImageFilter.GaussianBlur(S * 0.05))
    paste_colour(layer, (255, 220, 140), ImageChops.multiply(halo, inner))
    paste_colour(layer, (70, 40, 10), ImageChops.multiply(dilate(star, max(1, s // 2)), inner))
    layer.paste(lgradient((S, S), [(0, (255, 255, 230)), (0.5, (255, 214, 110)), (1, (214, 140, 40))], 60).convert("RGBA"), (0, 0), star)
    out = layer.resize((size, size), Image.LANCZOS)
    if size <= 48:
        out = out.filter(ImageFilter.UnsharpMask(radius=0.8, percent=60, threshold=1))
    return out


def night_sky(size, seed, horizon=0.8):
    w, h = size
    rng = random.Random(seed)
    img = vgradient(size, [(0, (5, 5, 20)), (0.35 * horizon, (14, 13, 44)), (0.7 * horizon, (34, 24, 76)),
                           (horizon, (70, 42, 104)), (1, (70, 42, 104))])
    nebula(img, rng, (0, 0, w, h * horizon * 0.8), 7, [(74, 40, 130), (28, 60, 130), (90, 46, 120)])
    starfield(img, rng, (0, 0, w, h * horizon), int(w * h * horizon / 1400), max(2, int(w / 140)))
    return img, rng


# ----------------------------------------------------------------- main window

MAIN_SIZE = (973, 475)


def main_outline():
    o = Outline(MAIN_SIZE)
    o.add_box(0, 14, 973, 475, 18)
    # Tighter bottom-right corner: the enter-game button sits in it.
    o.add_box(600, 300, 973, 475, 8)
    # Raised crest at the top left that carries the title set at run time.
    o.add_polygon([(20, 44), (20, 16), (36, 0), (392, 0), (408, 16), (408, 44)])
    # A small jewel bump at the top centre.
    o.add_polygon([(470, 30), (470, 18), (486, 4), (502, 18), (502, 30)])
    # Raised wing over the registration column.
    o.add_polygon([(776, 44), (776, 18), (794, 2), (952, 2), (973, 23), (973, 44)])
    # Notch in the right edge between the registration column and the
    # enter-game button, so the button sits on a tab of its own.
    o.cut_polygon([(990, 300), (960, 318), (960, 362), (990, 380)])
    # A shallow waist in the left edge.
    o.cut_polygon([(-20, 196), (7, 214), (7, 308), (-20, 326)])
    return o


def main_background():
    w, h = MAIN_SIZE
    img, _ = night_sky(MAIN_SIZE, 11, horizon=0.72)
    moon_x = 612  # the castle's keep stands in front of the moon
    moon(img, moon_x, 118, 34)
    wisps(img, random.Random(12), (440, 110, 760, 170), 7, (120, 100, 170), 0.35)

    # Farthest range, pale with haze.
    back = peaks(ridge(random.Random(21), w, 262, 26, 8, decay=0.6), [(200, 90, 70), (420, 40, 50), (760, 76, 60)])
    fill_below(img, back, vgradient(MAIN_SIZE, [(0, (66, 52, 118)), (0.6, (50, 38, 96)), (1, (36, 28, 76))]),
               rim=((140, 130, 200), 0.3))
    moonlit_faces(img, back, moon_x, 60, 0.25, (150, 140, 220))
    wisps(img, random.Random(22), (0, 240, w, 280), 10, (120, 100, 170), 0.25)
    # Far range with tall peaks at both sides, framing the castle.
    far = peaks(ridge(random.Random(13), w, 296, 30, 8, decay=0.62), [(64, 140, 70), (236, 66, 50), (350, 36, 40),
                                                                       (880, 120, 70), (740, 46, 40)])
    fill_below(img, far, vgradient(MAIN_SIZE, [(0, (46, 36, 92)), (0.5, (34, 26, 72)), (1, (22, 17, 50))]),
               rim=((170, 160, 230), 0.5))
    moonlit_faces(img, far, moon_x, 90, 0.45, (130, 120, 200))
    snow(img, far, 0.55)
    wisps(img, random.Random(14), (0, 290, w, 325), 12, (110, 90, 160), 0.3)
    castle(img, 600, 316, 0.92)
    mid = ridge(random.Random(15), w, 336, 24, 6, 3)
    # The crag under the castle: the mid ridge rises where the castle stands.
    mid = [y - 40 * math.exp(-((x - 600) / 150.0) ** 2) - 30 * math.exp(-((x - 40) / 80.0) ** 2)
           for x, y in enumerate(mid)]
    fill_below(img, mid, vgradient(MAIN_SIZE, [(0, (28, 22, 58)), (0.7, (20, 16, 44)), (1, (12, 10, 30))]),
               rim=((90, 80, 150), 0.4))
    wisps(img, random.Random(16), (0, 340, w, 368), 14, (100, 84, 150), 0.35)
    near = ridge(random.Random(17), w, 388, 18, 6, 4)
    near = [y - 30 * math.exp(-((x - 120) / 120.0) ** 2) - 20 * math.exp(-((x - 900) / 140.0) ** 2)
            for x, y in enumerate(near)]
    fill_below(img, near, vgradient(MAIN_SIZE, [(0, (12, 10, 28)), (1, (6, 5, 16))]))
    pines(img, random.Random(18), near, 8, 300, (8, 7, 20))
    pines(img, random.Random(19), near, 700, 965, (8, 7, 20), (14, 28))
    embers(img, random.Random(20), (40, 300, 780, 455), 46)
    vignette(img, 0.5)

    # Title crest: a calm dark plate for the title set at run time.
    dark_panel(img, (24, 3, 404, 50), alpha=0.72, colour=(8, 7, 22), border=False, radius=4)
    gold_rule(img, 30, 400, 52, jewel=False)
    em = emblem(40, wings=False)
    img.paste(em, (30, 7), em)
    # Jewel of the top-centre bump.
    stud(img, 486, 19, 4)

    # Registration column: labels in light gold at (836,69) and (836,137),
    # edit boxes, the register button and the close button.
    dark_panel(img, (780, 55, 966, 302), alpha=0.8, colour=(8, 7, 22))
    gold_rule(img, 796, 950, 98, alpha=0.5, jewel=False)
    gold_rule(img, 796, 950, 200, alpha=0.5, jewel=False)
    em_small = emblem(28, wings=True)
    img.paste(em_small, (859, 13), em_small)
    stud(img, 786, 61, 3)
    stud(img, 960, 61, 3)
    stud(img, 786, 296, 3)
    stud(img, 960, 296, 3)

    # Version line: light run-time text on a dark strip.
    dark_panel(img, (32, 368, 810, 410), alpha=0.7, colour=(6, 5, 18), fade=90, radius=3)

    # A warm glow behind the enter-game button.
    g = radial_mask((260, 190), lambda t: (1 - t) ** 2 * 0.55)
    paste_colour(img, (255, 170, 60), g, (766, 340))

    o = main_outline()
    depth, inside = o.render()
    paint_frame(img, depth)
    # Studs where the outline turns.
    for x, y in [(36, 6), (392, 6), (794, 8), (952, 8), (7, 200), (7, 322), (966, 310), (966, 370)]:
        stud(img, x, y, 3.2)
    cut_outline(img, inside)
    keep_away_from_magenta(img, inside)
    return img, inside


# ----------------------------------------------------------------- small windows

SMALL_SIZE = (356, 441)


def small_outline():
    o = Outline(SMALL_SIZE)
    o.add_box(0, 0, 356, 441, 18)
    # A recess in the top edge between the heading and the close button, so
    # both stand on raised brackets.
    o.cut_polygon([(190, -14), (310, -14), (290, 9), (214, 9)])
    # Shallow waists in both side edges.
    o.cut_polygon([(-20, 206), (4, 226), (4, 322), (-20, 342)])
    o.cut_polygon([(376, 206), (352, 226), (352, 322), (376, 342)])
    return o


def small_background(kind):
    w, h = SMALL_SIZE
    img, _ = night_sky(SMALL_SIZE, 31 if kind == "recharge" else 41, horizon=0.42)
    far = ridge(random.Random(32), w, 150, 18, 6, 2)
    fill_below(img, far, vgradient(SMALL_SIZE, [(0, (46, 36, 92)), (0.4, (30, 24, 66)), (1, (16, 13, 38))]),
               rim=((120, 110, 190), 0.4))
    near = ridge(random.Random(33), w, 190, 14, 6, 3)
    fill_below(img, near, vgradient(SMALL_SIZE, [(0, (18, 15, 40)), (0.5, (12, 10, 30)), (1, (8, 7, 22))]))
    embers(img, random.Random(34), (20, 200, w - 20, h - 20), 30)
    vignette(img, 0.45)
    heading = "充值中心" if kind == "recharge" else "代币博彩"
    dark_panel(img, (10, 8, 206, 44), alpha=0.7, colour=(8, 7, 22), border=False, radius=4)
    em = emblem(30)
    img.paste(em, (16, 11), em)
    draw_text(img, (124, 27), heading, 20, (255, 246, 200), (226, 160, 60), glow_colour=(120, 60, 10),
              glow_radius=3, spacing=4)
    gold_rule(img, 14, 204, 45, jewel=False)
    # Plate behind the close button at 309,15.
    dark_panel(img, (303, 10, 342, 44), alpha=0.6, colour=(8, 7, 22), border=False, radius=6)

    if kind == "recharge":
        # Prompt line (transparent label at 14,49, 327 x 31).
        dark_panel(img, (12, 48, 344, 82), alpha=0.78, colour=(7, 6, 20), radius=4)
        # The tab control (8,88 336 x 344) covers the rest; a golden edge around it.
        dark_panel(img, (4, 85, 349, 436), alpha=0.9, colour=(10, 9, 26), radius=5)
    else:
        lottery_layout(img)

    o = small_outline()
    depth, inside = o.render()
    paint_frame(img, depth)
    for x, y in [(204, 4), (298, 4), (4, 214), (4, 334), (352, 214), (352, 334)]:
        stud(img, x, y, 3)
    cut_outline(img, inside)
    keep_away_from_magenta(img, inside)
    return img, inside


PRIZE_BOXES = [(25, 199), (89, 199), (153, 199), (217, 199), (283, 199), (25, 255), (25, 311),
               (25, 367), (89, 367), (153, 367), (217, 367), (283, 366), (283, 311), (283, 255)]


def lottery_layout(img):
    # Prize information edit box (9,49 335 x 42) and the entry block: labels
    # (19,92 / 117 / 142, 88 x 24), edit boxes (113, 104 x 24) and the start button.
    dark_panel(img, (6, 47, 348, 170), alpha=0.8, colour=(7, 6, 20), radius=5)
    # Notice line, a transparent label at 26,175 (304 x 17).
    dark_panel(img, (14, 173, 342, 194), alpha=0.7, colour=(7, 6, 20), fade=40, border=False, radius=3)
    # The prize track: a golden path joining the fourteen boxes.
    track = Image.new("L", img.size, 0)
    td = ImageDraw.Draw(track)
    centres = [(x + 24, y + 24) for x, y in PRIZE_BOXES]
    td.line(centres + [centres[0]], fill=255, width=6, joint="curve")
    paste_colour(img, (40, 24, 8), scale_mask(track, 0.85))
    inner = Image.new("L", img.size, 0)
    ImageDraw.Draw(inner).line(centres + [centres[0]], fill=255, width=2)
    paste_colour(img, (200, 150, 64), scale_mask(inner, 0.7))
    # A magic circle behind the display box (146,276 64 x 64).
    cx, cy = 178, 308
    ring = Image.new("L", img.size, 0)
    rd = ImageDraw.Draw(ring)
    for r, wdt in [(62, 2), (55, 1), (44, 1)]:
        rd.ellipse([cx - r, cy - r, cx + r, cy + r], outline=255, width=wdt)
    for k in range(12):
        a = math.pi * 2 * k / 12
        rd.line([(cx + math.cos(a) * 44, cy + math.sin(a) * 44), (cx + math.cos(a) * 55, cy + math.sin(a) * 55)], fill=255)
    hexa = [(cx + math.cos(math.pi / 3 * k + math.pi / 6) * 44, cy + math.sin(math.pi / 3 * k + math.pi / 6) * 44) for k in range(6)]
    rd.polygon(hexa[0::2], outline=255)
    rd.polygon(hexa[1::2], outline=255)
    glow(img, ring, (160, 110, 255), 3, 0.9)
    paste_colour(img, (200, 170, 255), scale_mask(ring, 0.6))
    halo = radial_mask((150, 150), lambda t: (1 - t) ** 2 * 0.5)
    paste_colour(img, (255, 190, 90), halo, (cx - 75, cy - 75))
    # Golden frames round every prize box and round the display box.
    for x, y in PRIZE_BOXES:
        box_frame(img, x, y, 48)
    box_frame(img, 146, 276, 64, thick=True)


def box_frame(img, x, y, size, thick=False):
    """Golden frame just outside a picture box, leaving the box itself dark."""
    m = 3 if not thick else 5
    w = size + 2 * m
    s = 4
    outer = Image.new("L", (w * s, w * s), 0)
    ImageDraw.Draw(outer).rounded_rectangle([0, 0, w * s - 1, w * s - 1], radius=3 * s, fill=255)
    hole = Image.new("L", (w * s, w * s), 0)
    ImageDraw.Draw(hole).rectangle([(m - 1) * s, (m - 1) * s, (m + size + 1) * s - 1, (m + size + 1) * s - 1], fill=255)
    ring = ImageChops.subtract(outer, hole).resize((w, w), Image.LANCZOS)
    metal = lgradient((w, w), [(0, GOLD_LIGHT), (0.45, GOLD), (0.55, GOLD_DARK), (1, GOLD)], 60)
    img.paste(metal, (x - m, y - m), ring)
    dark = Image.new("L", (w, w), 0)
    ImageDraw.Draw(dark).rectangle([m - 1, m - 1, m + size, m + size], outline=255)
    paste_colour(img, (30, 18, 6), dark, (x - m, y - m))
    paste_colour(img, (10, 9, 26), Image.new("L", (size, size), 255), (x, y))
    if thick:
        for cx, cy in [(x - 3, y - 3), (x + size + 2, y - 3), (x - 3, y + size + 2), (x + size + 2, y + size + 2)]:
            stud(img, cx, cy, 2.6)


# ----------------------------------------------------------------- picture buttons

STATES = ("normal", "hover", "pressed", "disabled")

DARK_BODY = [(0, (62, 52, 128)), (0.5, (32, 26, 78)), (1, (16, 12, 42))]
GOLD_BODY = [(0, (255, 246, 196)), (0.3, (250, 210, 110)), (0.55, (226, 160, 52)), (1, (156, 92, 22))]
GOLD_RIM = [(0, (255, 244, 184)), (0.5, (214, 160, 62)), (1, (120, 72, 18))]


def lighten(stops, amount, towards=(255, 255, 255)):
    return [(t, mix(c, towards, amount)) for t, c in stops]


def darken(stops, amount):
    return [(t, mix(c, (0, 0, 0), amount)) for t, c in stops]


def plate(w, h, state, theme, inset=2, chamfer=None, offset=0, area=None):
    """The button's plate as RGBA: outer glow, golden rim, body and gloss.

    area limits the plate to part of the picture (x0, y0, x1, y1) - the
    enter-game button's picture reaches past the window's edge."""
    s = 4
    ax0, ay0, ax1, ay1 = area if area else (0, 0, w, h)
    pw, ph = ax1 - ax0, ay1 - ay0
    if chamfer is None:
        chamfer = max(3, min(pw, ph) * 0.22)
    body_stops = GOLD_BODY if theme == "gold" else DARK_BODY
    rim_stops = GOLD_RIM
    if state == "hover":
        body_stops = lighten(body_stops, 0.18 if theme == "gold" else 0.14,
                             (255, 255, 230) if theme == "gold" else (130, 110, 220))
        rim_stops = lighten(rim_stops, 0.25)
    elif state == "pressed":
        body_stops = darken(body_stops, 0.22)
        rim_stops = darken(rim_stops, 0.15)
    S = (w * s, h * s)

    def shape(ins):
        return polygon_mask(S, chamfer_points(ax0 + ins, ay0 + ins + offset, ax1 - ins, ay1 - ins + offset,
                                              max(1, chamfer - ins * 0.4)), s)

    rim = shape(inset)
    body = shape(inset + (3 if theme == "gold" else 2))
    line = shape(inset + 1.2)
    rgb = Image.new("RGB", S, BRONZE)
    # Rim: bronze edge, golden bevel, dark line, body.
    rgb.paste(vgradient(S, rim_stops), (0, 0), erode(line, 2))
    rgb.paste(Image.new("RGB", S, (40, 22, 6)), (0, 0), dilate(body, 2))
    rgb.paste(vgradient(S, body_stops), (0, 0), body)
    # Gloss on the upper half of the body.
    gloss = ImageChops.multiply(body, vgradient(S, [(0, (255, 255, 255)), (0.5, (60, 60, 60)), (0.51, (0, 0, 0)), (1, (0, 0, 0))]).convert("L"))
    paste_colour(rgb, (255, 255, 255), scale_mask(gloss, 0.22 if theme == "gold" else 0.14))
    # Inner highlight along the top of the body, a shadow along the bottom.
    hi = ImageChops.subtract(body, shift(body, 0, 2 * s))
    paste_colour(rgb, (255, 255, 240), scale_mask(hi, 0.5 if state != "pressed" else 0.15))
    lo = ImageChops.subtract(body, shift(body, 0, -2 * s))
    paste_colour(rgb, (0, 0, 0), scale_mask(lo, 0.35))
    if state == "pressed":
        inner_shadow = ImageChops.subtract(body, shift(body, 0, 5 * s)).filter(ImageFilter.GaussianBlur(2 * s))
        paste_colour(rgb, (0, 0, 0), scale_mask(ImageChops.multiply(inner_shadow, body), 0.5))
    rgb = rgb.resize((w, h), Image.LANCZOS)
    alpha = rim.resize((w, h), Image.LANCZOS)
    out = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    if state == "hover":
        halo = rim.resize((w, h), Image.LANCZOS).filter(ImageFilter.GaussianBlur(max(1.5, inset * 0.8)))
        paste_colour(out, (255, 200, 90), scale_mask(halo, 1.0))
    plate_rgba = rgb.convert("RGBA")
    plate_rgba.putalpha(alpha)
    return Image.alpha_composite(out, plate_rgba)


def greyed(img):
    """Disabled look: grey, flat and a little see-through."""
    r, g, b, a = img.split()
    grey = Image.merge("RGB", (r, g, b)).convert("L")
    grey = grey.point(lambda v: int(70 + v * 0.42))
    out = Image.merge("RGBA", (grey, grey, grey, a.point(lambda v: int(v * 0.9))))
    return out


def picture_button(w, h, label, state, theme="dark", px=16, inset=2, chamfer=None, area=None,
                   glyph=None, spacing=0):
    offset = 1 if state == "pressed" else 0
    base_state = "normal" if state == "disabled" else state
    img = plate(w, h, base_state, theme, inset, chamfer, offset, area)
    ax0, ay0, ax1, ay1 = area if area else (0, 0, w, h)
    cx, cy = (ax0 + ax1) / 2, (ay0 + ay1) / 2 + offset
    if glyph:
        glyph(img, cx, cy, base_state, theme)
    elif label:
        if theme == "gold":
            top, bottom, outline = (110, 36, 10), (58, 14, 4), (255, 236, 170)
            if base_state == "hover":
                top, bottom = (140, 40, 8), (80, 18, 4)
            draw_text(img, (cx, cy), label, px, top, bottom, outline=outline, stroke=1, shadow=False,
                      spacing=spacing)
        else:
            top, bottom = (255, 244, 196), (226, 166, 64)
            if base_state == "hover":
                top, bottom = (255, 255, 236), (255, 200, 96)
            elif base_state == "pressed":
                top, bottom = (230, 210, 160), (196, 140, 50)
            draw_text(img, (cx, cy), label, px, top, bottom, outline=(24, 12, 4), stroke=1, spacing=spacing)
    if state == "disabled":
        img = greyed(img)
    return img


def minus_glyph(img, cx, cy, state, theme):
    w, h = img.size
    m = Image.new("L", (w * 4, h * 4), 0)
    ImageDraw.Draw(m).rounded_rectangle([(cx - 7) * 4, (cy - 1.6) * 4, (cx + 7) * 4, (cy + 1.6) * 4], radius=6, fill=255)
    m = m.resize((w, h), Image.LANCZOS)
    paste_colour(img, (24, 12, 4), dilate(m, 1))
    c = (255, 240, 190) if state != "hover" else (255, 255, 236)
    paste_colour(img, c, m)


def cross_glyph(img, cx, cy, state, theme, arm=5.0, width=2.4):
    w, h = img.size
    s = 4
    m = Image.new("L", (w * s, h * s), 0)
    d = ImageDraw.Draw(m)
    for dx in (-1, 1):
        d.line([((cx - arm) * s, (cy - arm * dx) * s), ((cx + arm) * s, (cy + arm * dx) * s)],
               fill=255, width=int(width * s))
    m = m.resize((w, h), Image.LANCZOS)
    paste_colour(img, (24, 12, 4), dilate(m, 1))
    c = (255, 236, 170) if state != "hover" else (255, 255, 230)
    paste_colour(img, c, m)


def close_glyph(img, cx, cy, state, theme):
    cross_glyph(img, cx, cy, state, theme, arm=4.0, width=2.2)


def on_background(button, background, pos):
    """Button picture composed over the window background at its place: for
    JPEG pictures, which carry no alpha."""
    crop = background.crop((pos[0], pos[1], pos[0] + button.size[0], pos[1] + button.size[1])).convert("RGBA")
    return Image.alpha_composite(crop, button).convert("RGB")


def register_face():
    """Face picture of the register button: 116 x 43, shown centred on a 104 x 40
    push button, so the words stay within the middle 96 x 32."""
    w, h = 116, 43
    img = vgradient((w, h), [(0, (130, 40, 36)), (0.45, (92, 20, 22)), (1, (52, 10, 14))])
    gloss = vgradient((w, h), [(0, (255, 255, 255)), (0.5, (0, 0, 0)), (1, (0, 0, 0))]).convert("L")
    paste_colour(img, (255, 220, 200), scale_mask(gloss, 0.18))
    line = Image.new("L", (w, h), 0)
    ImageDraw.Draw(line).rectangle([9, 5, w - 10, h - 6], outline=255)
    paste_colour(img, (226, 176, 84), scale_mask(line, 0.55))
    draw_text(img, (w / 2, h / 2), "注册帐号", 17, (255, 248, 210), (240, 176, 64), outline=(40, 8, 6),
              stroke=1, spacing=2)
    for x in (16, w - 17):
        stud(img, x, h / 2, 2.2)
    return img


# ----------------------------------------------------------------- prize icons
#
# Each icon is drawn at 256 x 256 on a transparent layer, outlined, given a
# shadow, laid on a tile coloured by the prize's rarity and reduced to 64 x 64.

IS = 256


class Icon:
    def __init__(self):
        self.layer = Image.new("RGBA", (IS, IS), (0, 0, 0, 0))

    def part(self, mask, fill, outline=(22, 12, 6), edge=6, shade=True):
        """Adds one part: outline, then fill (an image or a colour), then a rim light."""
        if outline is not None:
            paste_colour(self.layer, outline, dilate(mask, edge // 2) if edge else mask)
        if isinstance(fill, tuple):
            paste_colour(self.layer, fill, mask)
        else:
            self.layer.paste(fill.convert("RGBA"), (0, 0), mask)
        if shade:
            hi = ImageChops.subtract(mask, shift(mask, 5, 5)).filter(ImageFilter.GaussianBlur(1.5))
            paste_colour(self.layer, (255, 255, 255), scale_mask(ImageChops.multiply(hi, mask), 0.45))
            lo = ImageChops.subtract(mask, shift(mask, -6, -6)).filter(ImageFilter.GaussianBlur(2))
            paste_colour(self.layer, (0, 0, 0), scale_mask(ImageChops.multiply(lo, mask), 0.35))

    def spark(self, x, y, r, colour=(255, 255, 240)):
        m = Image.new("L", (IS, IS), 0)
        d = ImageDraw.Draw(m)
        d.polygon([(x, y - r), (x + r * 0.18, y - r * 0.18), (x + r, y), (x + r * 0.18, y + r * 0.18),
                   (x, y + r), (x - r * 0.18, y + r * 0.18), (x - r, y), (x - r * 0.18, y - r * 0.18)], fill=255)
        glow(self.layer, m, colour, 6, 0.8)
        paste_colour(self.layer, colour, m)


def lin(stops, angle=90):
    return lgradient((IS, IS), stops, angle)


def poly(points):
    return polygon_mask((IS, IS), points)


def ell(box):
    return ellipse_mask((IS, IS), box)


def line_mask(points, width, curve=True):
    m = Image.new("L", (IS, IS), 0)
    ImageDraw.Draw(m).line(points, fill=255, width=width, joint="curve" if curve else None)
    for x, y in (points[0], points[-1]):
        r = width / 2
        ImageDraw.Draw(m).ellipse([x - r, y - r, x + r, y + r], fill=255)
    return m


def rotate_pts(pts, angle_deg, cx=IS / 2, cy=IS / 2):
    a = math.radians(angle_deg)
    ca, sa = math.cos(a), math.sin(a)
    return [(cx + (x - cx) * ca - (y - cy) * sa, cy + (x - cx) * sa + (y - cy) * ca) for x, y in pts]


STEEL = [(0, (240, 244, 255)), (0.45, (170, 178, 200)), (0.55, (110, 116, 140)), (1, (200, 206, 226))]
GOLDM = [(0, (255, 246, 190)), (0.4, (246, 196, 84)), (0.6, (190, 124, 34)), (1, (250, 210, 110))]
WOOD = [(0, (170, 104, 56)), (0.5, (120, 70, 34)), (1, (78, 42, 18))]
RUBY = [(0, (255, 150, 150)), (0.4, (220, 30, 50)), (1, (100, 0, 20))]
SAPPHIRE = [(0, (170, 210, 255)), (0.4, (40, 100, 230)), (1, (10, 30, 110))]
EMERALD = [(0, (180, 255, 200)), (0.4, (30, 190, 90)), (1, (0, 80, 40))]
AMETHYST = [(0, (230, 190, 255)), (0.4, (150, 60, 220)), (1, (60, 10, 110))]


def gem(icon, cx, cy, r, stops):
    pts = [(cx + math.cos(math.pi / 4 * k + math.pi / 8) * r, cy + math.sin(math.pi / 4 * k + math.pi / 8) * r) for k in range(8)]
    icon.part(poly(pts), lin(stops, 60), edge=4)
    icon.part(poly([(cx - r * 0.45, cy - r * 0.45), (cx + r * 0.1, cy - r * 0.55), (cx - r * 0.1, cy)]), (255, 255, 255), outline=None, shade=False)


def icon_shield(icon):
    outer = [(48, 44), (128, 26), (208, 44), (208, 110)] + bezier((208, 110), (208, 170), (170, 208), (128, 232))[1:] + \
            bezier((128, 232), (86, 208), (48, 170), (48, 110))[1:]
    icon.part(poly(outer), lin(STEEL, 60), edge=8)
    inner = [(66, 58), (128, 44), (190, 58), (190, 110)] + bezier((190, 110), (190, 160), (160, 192), (128, 212))[1:] + \
            bezier((128, 212), (96, 192), (66, 160), (66, 110))[1:]
    icon.part(poly(inner), lin(SAPPHIRE, 80), edge=4)
    cross = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(cross)
    d.rectangle([118, 56, 138, 200], fill=255)
    d.rectangle([76, 100, 180, 120], fill=255)
    icon.part(ImageChops.multiply(cross, poly(inner)), lin(GOLDM, 70), edge=4)
    gem(icon, 128, 110, 16, RUBY)
    for x, y in [(62, 52), (194, 52), (128, 34), (60, 150), (196, 150)]:
        icon.part(ell((x - 5, y - 5, x + 5, y + 5)), lin(GOLDM, 60), edge=2)


def icon_potion(icon):
    body = ell((56, 92, 200, 236))
    neck = poly([(108, 50), (148, 50), (148, 104), (108, 104)])
    glass = ImageChops.lighter(body, neck)
    icon.part(glass, (190, 210, 240), edge=8)
    liquid = ImageChops.multiply(ell((64, 100, 192, 228)), poly([(0, 132), (256, 124), (256, 256), (0, 256)]))
    icon.part(liquid, lin([(0, (255, 120, 160)), (0.5, (210, 20, 70)), (1, (90, 0, 40))], 80), outline=None)
    surf = ImageChops.multiply(ell((64, 100, 192, 228)), poly([(0, 128), (256, 120), (256, 132), (0, 140)]))
    paste_colour(icon.layer, (255, 170, 200), surf)
    for x, y, r in [(100, 190, 7), (140, 170, 5), (120, 210, 4), (150, 200, 8)]:
        b = ell((x - r, y - r, x + r, y + r))
        paste_colour(icon.layer, (255, 200, 220), scale_mask(b, 0.7))
    shine = ell((80, 118, 108, 178))
    paste_colour(icon.layer, (255, 255, 255), scale_mask(shine.filter(ImageFilter.GaussianBlur(3)), 0.6))
    icon.part(poly([(100, 36), (156, 36), (152, 58), (104, 58)]), lin(WOOD, 90), edge=6)
    icon.part(poly([(104, 58), (152, 58), (152, 66), (104, 66)]), lin(GOLDM, 90), edge=4)
    icon.spark(176, 120, 18)


def icon_sword(icon):
    """The golden sword: also the recharge window's placeholder picture. Drawn
    upright and turned 45 degrees so it spans the tile's diagonal."""

    def R(pts):
        return rotate_pts(pts, 45)

    blade = R([(128, -26), (152, 8), (150, 160), (106, 160), (104, 8)])
    glow(icon.layer, poly(blade), (255, 200, 80), 12, 1.0)
    icon.part(poly(blade), lin([(0, (255, 250, 214)), (0.45, (255, 216, 100)), (0.55, (206, 136, 30)),
                                (1, (250, 200, 90))], 45), edge=7)
    ridge_m = poly(R([(128, -14), (132, 10), (131, 152), (125, 152), (124, 10)]))
    paste_colour(icon.layer, (255, 255, 236), scale_mask(ridge_m, 0.9))
    fuller = poly(R([(133, 20), (138, 20), (137, 150), (133, 150)]))
    paste_colour(icon.layer, (150, 90, 20), scale_mask(fuller, 0.6))
    guard = R([(62, 156), (100, 162), (128, 150), (156, 162), (194, 156), (204, 172), (194, 188), (156, 182),
               (128, 194), (100, 182), (62, 188), (52, 172)])
    icon.part(poly(guard), lin(GOLDM, 45), edge=7)
    icon.part(poly(R([(116, 190), (140, 190), (140, 246), (116, 246)])),
              lin([(0, (150, 70, 34)), (1, (70, 26, 10))], 45), edge=7)
    wrap = Image.new("L", (IS, IS), 0)
    wd = ImageDraw.Draw(wrap)
    for k in range(7):
        y = 194 + k * 8
        wd.line(R([(117, y), (139, y + 5)]), fill=255, width=4)
    paste_colour(icon.layer, (200, 124, 64), wrap)
    px, py = R([(128, 258)])[0]
    icon.part(ell((px - 17, py - 17, px + 17, py + 17)), lin(GOLDM, 45), edge=7)
    gem(icon, px, py, 9, RUBY)
    gx, gy = R([(128, 172)])[0]
    gem(icon, gx, gy, 11, SAPPHIRE)
    icon.spark(*R([(128, -4)])[0], 30)
    icon.spark(*R([(146, 110)])[0], 12)


def icon_ring(icon):
    band = ImageChops.subtract(ell((52, 92, 204, 226)), ell((76, 114, 180, 204)))
    icon.part(band, lin(GOLDM, 70), edge=8)
    icon.part(poly([(96, 100), (160, 100), (150, 80), (106, 80)]), lin(GOLDM, 90), edge=6)
    pts = [(128, 22), (168, 54), (152, 92), (104, 92), (88, 54)]
    icon.part(poly(pts), lin(AMETHYST, 70), edge=6)
    for f in [[(128, 22), (140, 58), (116, 58)], [(116, 58), (140, 58), (152, 92), (104, 92)]]:
        paste_colour(icon.layer, (255, 255, 255), scale_mask(poly(f), 0.18))
    icon.part(poly([(110, 40), (124, 30), (116, 56)]), (255, 255, 255), outline=None, shade=False)
    icon.spark(168, 40, 20)


def icon_gem(icon):
    outline_pts = [(70, 92), (100, 52), (156, 52), (186, 92), (128, 222)]
    icon.part(poly(outline_pts), lin(EMERALD, 80), edge=8)
    facets = [
        ([(70, 92), (100, 52), (112, 92)], 0.35), ([(112, 92), (100, 52), (156, 52), (144, 92)], 0.55),
        ([(144, 92), (156, 52), (186, 92)], 0.2), ([(70, 92), (112, 92), (128, 222)], 0.1),
        ([(112, 92), (144, 92), (128, 222)], 0.3), ([(144, 92), (186, 92), (128, 222)], -0.35)]
    for pts, v in facets:
        m = poly(pts)
        if v > 0:
            paste_colour(icon.layer, (255, 255, 255), scale_mask(m, v * 0.6))
        else:
            paste_colour(icon.layer, (0, 0, 0), scale_mask(m, -v))
    lines = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(lines)
    d.line([(70, 92), (186, 92)], fill=255, width=2)
    for a, b in [((112, 92), (128, 222)), ((144, 92), (128, 222)), ((112, 92), (100, 52)), ((144, 92), (156, 52))]:
        d.line([a, b], fill=255, width=2)
    paste_colour(icon.layer, (210, 255, 220), scale_mask(lines, 0.6))
    icon.spark(104, 64, 22)
    icon.spark(170, 150, 12)


def icon_helmet(icon):
    dome = [(60, 140)] + bezier((60, 140), (56, 40), (200, 40), (196, 140))[1:] + [(196, 212), (60, 212)]
    icon.part(poly(dome), lin(STEEL, 70), edge=8)
    visor = poly([(84, 124), (172, 124), (166, 140), (90, 140)])
    icon.part(visor, (20, 18, 30), outline=None, shade=False)
    slits = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(slits)
    for x in range(104, 160, 14):
        d.rectangle([x, 156, x + 5, 196], fill=255)
    paste_colour(icon.layer, (30, 30, 40), slits)
    icon.part(poly([(120, 52), (136, 52), (136, 212), (120, 212)]), lin(GOLDM, 80), edge=4)
    plume = [(128, 54)] + bezier((128, 54), (120, 10), (190, 0), (226, 40))[1:] + bezier((226, 40), (190, 30), (160, 40), (140, 64))[1:]
    icon.part(poly(plume), lin([(0, (255, 120, 110)), (1, (150, 10, 20))], 60), edge=6)
    icon.part(poly([(52, 200), (204, 200), (204, 222), (52, 222)]), lin(GOLDM, 90), edge=6)


def icon_bow(icon):
    limb = bezier((78, 28), (210, 70), (210, 186), (78, 228), 40)
    icon.part(line_mask(limb, 16), lin(WOOD, 20), edge=6)
    icon.part(poly([(150, 112), (182, 112), (182, 144), (150, 144)]), lin([(0, (160, 40, 40)), (1, (80, 10, 10))], 90), edge=4)
    string = Image.new("L", (IS, IS), 0)
    ImageDraw.Draw(string).line([(78, 28), (78, 228)], fill=255, width=3)
    paste_colour(icon.layer, (240, 236, 220), string)
    shaft = line_mask([(36, 128), (214, 128)], 6, False)
    icon.part(shaft, lin(WOOD, 90), edge=4, shade=False)
    icon.part(poly([(212, 116), (244, 128), (212, 140)]), lin(STEEL, 90), edge=4)
    icon.part(poly([(36, 128), (60, 110), (76, 110), (56, 128), (76, 146), (60, 146)]), lin([(0, (255, 240, 240)), (1, (200, 60, 60))], 90), edge=4)
    for x, y in [(78, 28), (78, 228)]:
        icon.part(ell((x - 8, y - 8, x + 8, y + 8)), lin(GOLDM, 60), edge=4)


def icon_scroll(icon):
    paper = lin([(0, (250, 236, 196)), (0.6, (226, 200, 144)), (1, (190, 156, 100))], 90)
    icon.part(poly([(60, 58), (196, 58), (196, 200), (60, 200)]), paper, edge=6)
    lines = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(lines)
    for k, wdt in enumerate([100, 84, 96, 70, 90]):
        d.line([(78, 84 + k * 22), (78 + wdt, 84 + k * 22)], fill=255, width=5)
    paste_colour(icon.layer, (120, 80, 40), scale_mask(lines, 0.6))
    for y in (58, 200):
        icon.part(poly([(44, y - 16), (212, y - 16), (212, y + 16), (44, y + 16)]), lin([(0, (240, 222, 180)), (0.5, (200, 168, 110)), (1, (130, 98, 52))], 90), edge=6)
        for x in (44, 212):
            icon.part(ell((x - 10, y - 18, x + 10, y + 18)), lin(WOOD, 90), edge=4)
    icon.part(ell((150, 150, 196, 196)), lin(RUBY, 60), edge=6)
    paste_colour(icon.layer, (120, 0, 10), ell((162, 162, 184, 184)))
    icon.part(poly([(160, 192), (172, 192), (166, 230), (150, 222)]), lin(RUBY, 90), edge=4)


def coin(icon, cx, cy, r, tilt=1.0):
    """A gold coin seen at a slant: rim, face and a square hole."""
    icon.part(ell((cx - r, cy - r * tilt, cx + r, cy + r * tilt)), lin([(0, (200, 130, 30)), (1, (120, 70, 10))], 90), edge=4)
    icon.part(ell((cx - r, cy - r * tilt - 4, cx + r, cy + r * tilt - 4)), lin(GOLDM, 60), edge=0, shade=False)
    hole = r * 0.28
    paste_colour(icon.layer, (110, 64, 10), poly([(cx - hole, cy - 4 - hole * tilt), (cx + hole, cy - 4 - hole * tilt),
                                                  (cx + hole, cy - 4 + hole * tilt), (cx - hole, cy - 4 + hole * tilt)]))


def icon_coinbag(icon):
    sack = [(96, 92)] + bezier((96, 92), (20, 140), (36, 230), (124, 230))[1:] + \
        bezier((124, 230), (212, 230), (228, 140), (160, 92))[1:]
    icon.part(poly(sack), lin([(0, (214, 164, 110)), (0.5, (156, 104, 60)), (1, (92, 58, 28))], 70), edge=8)
    icon.part(poly([(96, 92), (72, 42), (102, 58), (128, 38), (154, 58), (184, 42), (160, 92)]),
              lin([(0, (220, 170, 116)), (1, (130, 86, 46))], 90), edge=6)
    icon.part(poly([(88, 84), (168, 84), (168, 100), (88, 100)]), lin([(0, (230, 70, 56)), (1, (120, 20, 20))], 90), edge=4)
    # A golden star stitched on the sack.
    pts = []
    for k in range(10):
        a = math.pi / 5 * k - math.pi / 2
        r = 30 if k % 2 == 0 else 13
        pts.append((124 + math.cos(a) * r, 160 + math.sin(a) * r))
    icon.part(poly(pts), lin(GOLDM, 60), edge=5)
    # Coins spilling out in front.
    for x, y, r in [(196, 214, 24), (168, 232, 20), (214, 176, 18), (58, 222, 18)]:
        coin(icon, x, y, r, 0.55)
    icon.spark(214, 150, 16)


def icon_armour(icon):
    plate_pts = [(60, 60), (100, 44), (128, 70), (156, 44), (196, 60), (222, 108), (192, 120), (186, 212),
                 (128, 232), (70, 212), (64, 120), (34, 108)]
    icon.part(poly(plate_pts), lin([(0, (210, 200, 255)), (0.4, (130, 110, 200)), (0.6, (80, 60, 150)), (1, (160, 140, 230))], 70), edge=8)
    trim = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(trim)
    d.line([(100, 44), (128, 70), (156, 44)], fill=255, width=10)
    d.line([(128, 74), (128, 226)], fill=255, width=8)
    d.line([(72, 150), (184, 150)], fill=255, width=8)
    icon.part(ImageChops.multiply(trim, poly(plate_pts)), lin(GOLDM, 60), edge=3)
    for side in (-1, 1):
        pad = [(128 + side * 68, 56), (128 + side * 108, 76), (128 + side * 100, 126), (128 + side * 66, 110)]
        icon.part(poly(pad), lin(STEEL, 70), edge=6)
    gem(icon, 128, 150, 14, AMETHYST)


def icon_boots(icon):
    boot = [(80, 36), (150, 36), (150, 150), (214, 176), (224, 212), (220, 226), (70, 226), (74, 150)]
    icon.part(poly(boot), lin([(0, (180, 110, 60)), (0.5, (120, 66, 30)), (1, (70, 36, 14))], 20), edge=8)
    icon.part(poly([(70, 208), (222, 208), (220, 226), (70, 226)]), (50, 26, 12), edge=4)
    icon.part(poly([(74, 30), (156, 30), (156, 56), (74, 56)]), lin(GOLDM, 90), edge=6)
    icon.part(poly([(76, 150), (150, 150), (150, 166), (76, 166)]), lin(GOLDM, 90), edge=4)
    # A small wing of three feathers on the boot's shaft.
    for k, (length, lift) in enumerate([(86, 40), (74, 20), (60, 2)]):
        base_y = 66 + k * 14
        feather = [(150, base_y), (150 + length * 0.5, base_y - lift - 10), (150 + length, base_y - lift - 6),
                   (150 + length * 0.8, base_y - lift + 8), (150, base_y + 14)]
        icon.part(poly(feather), lin([(0, (255, 255, 255)), (1, (176, 204, 240))], 90), edge=5)
    stitches = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(stitches)
    for y in range(70, 146, 14):
        d.line([(92, y), (132, y)], fill=255, width=3)
    paste_colour(icon.layer, (230, 190, 140), scale_mask(stitches, 0.6))


def icon_amulet(icon):
    chain = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(chain)
    for k in range(15):
        a = math.pi * (1.05 + k / 14 * 0.9)
        x, y = 128 + math.cos(a) * 82, 118 + math.sin(a) * 92
        d.ellipse([x - 6, y - 6, x + 6, y + 6], outline=255, width=3)
    icon.part(chain, lin(GOLDM, 60), edge=2, shade=False)
    drop = [(128, 96)] + bezier((128, 96), (214, 150), (180, 236), (128, 236))[1:] + bezier((128, 236), (76, 236), (42, 150), (128, 96))[1:]
    icon.part(poly(drop), lin(GOLDM, 70), edge=8)
    inner = [(128, 118)] + bezier((128, 118), (190, 160), (166, 218), (128, 218))[1:] + bezier((128, 218), (90, 218), (66, 160), (128, 118))[1:]
    icon.part(poly(inner), lin(SAPPHIRE, 60), edge=4)
    paste_colour(icon.layer, (255, 255, 255), scale_mask(ell((100, 150, 122, 172)).filter(ImageFilter.GaussianBlur(3)), 0.8))
    icon.part(ell((116, 82, 140, 106)), lin(GOLDM, 60), edge=4)
    icon.spark(164, 168, 20, (200, 230, 255))


def icon_staff(icon):
    shaft = line_mask([(60, 236), (160, 96)], 14, False)
    icon.part(shaft, lin(WOOD, 45), edge=6)
    for t in (0.3, 0.65):
        x, y = 60 + (160 - 60) * t, 236 + (96 - 236) * t
        icon.part(ell((x - 12, y - 12, x + 12, y + 12)), lin(GOLDM, 60), edge=4)
    prongs = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(prongs)
    d.line([(160, 96), (128, 70), (132, 40)], fill=255, width=9, joint="curve")
    d.line([(160, 96), (196, 96), (214, 66)], fill=255, width=9, joint="curve")
    icon.part(prongs, lin(GOLDM, 60), edge=4)
    orb = ell((136, 28, 208, 100))
    glow(icon.layer, orb, (90, 180, 255), 14, 1.2)
    icon.part(orb, lin([(0, (230, 250, 255)), (0.4, (90, 190, 255)), (1, (20, 50, 160))], 60), edge=4)
    paste_colour(icon.layer, (255, 255, 255), scale_mask(ell((150, 40, 170, 60)).filter(ImageFilter.GaussianBlur(2)), 0.9))
    icon.spark(200, 36, 18, (200, 240, 255))


def icon_egg(icon):
    egg = [(128, 26)] + bezier((128, 26), (212, 26), (222, 236), (128, 236))[1:] + bezier((128, 236), (34, 236), (44, 26), (128, 26))[1:]
    em = poly(egg)
    glow(icon.layer, em, (255, 120, 40), 14, 0.9)
    icon.part(em, lin([(0, (255, 200, 110)), (0.4, (230, 90, 30)), (1, (110, 20, 10))], 70), edge=8)
    scales = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(scales)
    for row in range(8):
        y = 60 + row * 22
        for k in range(-4, 5):
            x = 128 + k * 26 + (13 if row % 2 else 0)
            d.arc([x - 14, y - 12, x + 14, y + 14], 20, 160, fill=255, width=4)
    scales = ImageChops.multiply(scales, erode(em, 4))
    paste_colour(icon.layer, (120, 30, 10), scale_mask(scales, 0.6))
    crack = Image.new("L", (IS, IS), 0)
    ImageDraw.Draw(crack).line([(96, 96), (116, 116), (104, 136), (130, 156), (120, 176)], fill=255, width=5)
    glow(icon.layer, crack, (255, 220, 80), 5, 1.5)
    paste_colour(icon.layer, (255, 250, 200), crack)
    icon.spark(172, 70, 18, (255, 230, 160))


def icon_chest(icon):
    body = poly([(36, 120), (220, 120), (220, 224), (36, 224)])
    icon.part(body, lin(WOOD, 90), edge=8)
    lid = [(36, 122)] + bezier((36, 122), (36, 52), (220, 52), (220, 122))[1:]
    lid_m = poly(lid)
    # Gold glowing out under the lid.
    glow(icon.layer, poly([(44, 116), (212, 116), (212, 126), (44, 126)]), (255, 210, 90), 10, 1.6)
    icon.part(lid_m, lin([(0, (190, 120, 66)), (1, (100, 56, 24))], 90), edge=8)
    bands = Image.new("L", (IS, IS), 0)
    d = ImageDraw.Draw(bands)
    for x in (62, 182):
        d.rectangle([x - 9, 40, x + 9, 226], fill=255)
    d.rectangle([30, 114, 226, 128], fill=255)
    d.rectangle([30, 212, 226, 228], fill=255)
    icon.part(ImageChops.multiply(bands, dilate(ImageChops.lighter(body, lid_m), 3)), lin(GOLDM, 60), edge=4)
    icon.part(poly([(110, 118), (146, 118), (146, 164), (128, 176), (110, 164)]), lin(GOLDM, 70), edge=5)
    paste_colour(icon.layer, (40, 20, 6), poly([(124, 134), (132, 134), (134, 156), (122, 156)]))
    for x, y in [(62, 170), (182, 170), (62, 86), (182, 86)]:
        paste_colour(icon.layer, (255, 240, 180), ell((x - 3, y - 3, x + 3, y + 3)))
    icon.spark(206, 60, 22)
    icon.spark(48, 94, 12)


# (drawing, rarity tile colour): the order is the prize boxes' order.
PRIZES = [
    (icon_shield, "blue"), (icon_potion, "blue"), (icon_sword, "gold"), (icon_ring, "gold"),
    (icon_gem, "gold"), (icon_helmet, "green"), (icon_bow, "blue"), (icon_scroll, "green"),
    (icon_coinbag, "purple"), (icon_armour, "purple"), (icon_boots, "green"), (icon_amulet, "green"),
    (icon_staff, "blue"), (icon_egg, "blue"), (icon_chest, "gold"),
]

TILES = {
    "gold": ((120, 70, 20), (26, 14, 8), (250, 200, 100)),
    "purple": ((90, 40, 140), (18, 10, 34), (200, 150, 255)),
    "blue": ((30, 70, 150), (8, 12, 36), (120, 170, 255)),
    "green": ((30, 100, 80), (6, 22, 22), (120, 220, 170)),
}


def prize_icon(draw, rarity, seed):
    centre, edge, rim = TILES[rarity]
    size = (IS, IS)
    tile = Image.new("RGB", size)
    tile.paste(Image.new("RGB", size, edge), (0, 0))
    paste_colour(tile, centre, radial_mask((300, 300), lambda t: (1 - t) ** 1.3), (-22, -30))
    # A fine pattern of faint rays behind the item gives the tile some texture.
    rng = random.Random(seed)
    rays = Image.new("L", size, 0)
    d = ImageDraw.Draw(rays)
    for k in range(18):
        a = 2 * math.pi * k / 18 + rng.uniform(-0.05, 0.05)
        d.polygon([(128, 128), (128 + math.cos(a - 0.06) * 220, 128 + math.sin(a - 0.06) * 220),
                   (128 + math.cos(a + 0.06) * 220, 128 + math.sin(a + 0.06) * 220)], fill=40)
    paste_colour(tile, rim, rays.filter(ImageFilter.GaussianBlur(3)))
    # Grain, so the picture is not too flat for its JPEG size.
    grain = Image.new("L", size)
    grain.putdata([int(rng.random() * 255) for _ in range(IS * IS)])
    grain = grain.filter(ImageFilter.GaussianBlur(1.2))
    paste_colour(tile, (0, 0, 0), grain.point(lambda v: max(0, min(60, (v - 110) * 2))))
    icon = Icon()
    draw(icon)
    alpha = icon.layer.split()[3]
    shadow = shift(alpha, 6, 8).filter(ImageFilter.GaussianBlur(6))
    paste_colour(tile, (0, 0, 0), scale_mask(shadow, 0.7))
    tile.paste(icon.layer.convert("RGB"), (0, 0), alpha)
    # Bevelled border of the tile.
    border = Image.new("L", size, 0)
    ImageDraw.Draw(border).rectangle([2, 2, IS - 3, IS - 3], outline=255, width=6)
    paste_colour(tile, rim, scale_mask(border, 0.7))
    dark = Image.new("L", size, 0)
    ImageDraw.Draw(dark).rectangle([0, 0, IS - 1, IS - 1], outline=255, width=3)
    paste_colour(tile, (0, 0, 0), dark)
    out = tile.resize((64, 64), Image.LANCZOS)
    return out.filter(ImageFilter.UnsharpMask(radius=0.7, percent=50, threshold=2))


def jpeg_bytes(img, quality, subsampling=0):
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=quality, subsampling=subsampling, optimize=False, progressive=False)
    return buf.getvalue()


def fitted_jpeg(img, low, high):
    """Highest quality whose baseline JPEG length falls inside [low, high]."""
    for q in range(95, 40, -1):
        for sub in (0, 1, 2):
            data = jpeg_bytes(img, q, sub)
            if low <= len(data) <= high:
                return data, q, sub
    raise SystemExit("no JPEG quality puts this picture between %d and %d bytes" % (low, high))


# ----------------------------------------------------------------- program icon


def ico_bytes(images):
    """ICO file: 32-bit DIB entries for the small sizes, PNG for 256 x 256."""
    entries = []
    for img in images:
        w, h = img.size
        if w >= 256:
            buf = io.BytesIO()
            img.save(buf, "PNG")
            data = buf.getvalue()
        else:
            header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, w * h * 4, 0, 0, 0, 0)
            px = img.load()
            xor = bytearray()
            for y in range(h - 1, -1, -1):
                for x in range(w):
                    r, g, b, a = px[x, y]
                    xor += bytes((b, g, r, a))
            stride = ((w + 31) // 32) * 4
            mask = bytearray()
            for y in range(h - 1, -1, -1):
                row = bytearray(stride)
                for x in range(w):
                    if px[x, y][3] == 0:
                        row[x // 8] |= 0x80 >> (x % 8)
                mask += row
            data = header + bytes(xor) + bytes(mask)
        entries.append((w, h, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    return bytes(out)


# ----------------------------------------------------------------- output


def save_png(img, name):
    img.save(os.path.join(OUT, name), "PNG", optimize=True)


def main():
    global OUT
    if len(sys.argv) > 1:
        OUT = os.path.abspath(sys.argv[1])
    os.makedirs(OUT, exist_ok=True)

    main_bg, _ = main_background()
    main_bg.save(os.path.join(OUT, "main_background.bmp"), "BMP")
    recharge_bg, _ = small_background("recharge")
    recharge_bg.save(os.path.join(OUT, "recharge_background.bmp"), "BMP")
    lottery_bg, _ = small_background("lottery")
    lottery_bg.save(os.path.join(OUT, "lottery_background.bmp"), "BMP")

    for state in STATES:
        # The enter-game picture is 160 x 96 at 816,392, but the window ends at
        # 973 x 475: only its top-left 157 x 83 can show, so the plate sits there.
        save_png(picture_button(160, 96, "进入游戏", state, "gold", px=26, inset=3, chamfer=14,
                                area=(0, 0, 157, 83), spacing=2), "enter_%s.png" % state)
        save_png(picture_button(111, 40, "关闭", state, px=17, spacing=8), "close_%s.png" % state)
        save_png(picture_button(33, 33, "", state, chamfer=7, glyph=minus_glyph), "minimise_%s.png" % state)
        save_png(picture_button(101, 35, "官方网站", state, px=15), "website_%s.png" % state)
        save_png(picture_button(143, 46, "开始充值", state, "gold", px=19, chamfer=10, spacing=2), "recharge_%s.png" % state)
        save_png(picture_button(100, 33, "代币博彩", state, px=15), "lottery_%s.png" % state)
        close = picture_button(27, 24, "", state, chamfer=5, inset=2, glyph=close_glyph)
        save_png(close, "recharge_close_%s.png" % state)
        open(os.path.join(OUT, "lottery_close_%s.jpg" % state), "wb").write(
            jpeg_bytes(on_background(close, lottery_bg, (309, 15)), 95))
        # The start control is 100 pixels wide; its picture is 102, so the plate
        # keeps to the first 100 columns.
        start = picture_button(102, 33, "开始博彩", state, "gold", px=15, chamfer=8, area=(0, 0, 100, 33))
        open(os.path.join(OUT, "lottery_start_%s.jpg" % state), "wb").write(
            jpeg_bytes(on_background(start, lottery_bg, (237, 112)), 95))

    register_face().save(os.path.join(OUT, "register_face.bmp"), "BMP")

    report = []
    for n, (draw, rarity) in enumerate(PRIZES, start=1):
        data, q, sub = fitted_jpeg(prize_icon(draw, rarity, 100 + n), PRIZE_MIN_BYTES, PRIZE_MAX_BYTES)
        name = "prize%02d.jpg" % n
        open(os.path.join(OUT, name), "wb").write(data)
        report.append("%s %d bytes (quality %d, subsampling %d)" % (name, len(data), q, sub))

    icons = [emblem(s) for s in (16, 32, 48, 256)]
    open(os.path.join(OUT, "launcher.ico"), "wb").write(ico_bytes(icons))
    print("\n".join(report))


if __name__ == "__main__":
    main()
