"""A tiny RGBA raster for drawing icons by hand.

Shapes on whole-pixel edges come out crisp; rounded corners and polygons
with slanted edges get soft, supersampled borders. Everything is plain float
arithmetic, so the same script always gives the same bytes.
"""

import math

SUPERSAMPLE = 8  # samples per pixel side for slanted edges and round corners


def rgb(hex_text, alpha=1.0):
    """'#rrggbb' as an (r, g, b, a) tuple of floats in 0..1."""
    value = hex_text.lstrip("#")
    r, g, b = (int(value[i : i + 2], 16) / 255.0 for i in (0, 2, 4))
    return (r, g, b, alpha)


def vertical_gradient(top, bottom, y0, y1):
    """A paint that blends from top (row y0) to bottom (row y1 - 1)."""
    span = max(y1 - y0 - 1, 1)

    def paint(_x, y):
        t = min(max((y - y0) / span, 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))

    return paint


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def blend(self, x, y, paint, coverage=1.0):
        """Lays paint over pixel (x, y), weighted by how much of it is covered."""
        if not (0 <= x < self.size and 0 <= y < self.size) or coverage <= 0.0:
            return
        sr, sg, sb, sa = paint(x, y) if callable(paint) else paint
        sa *= min(coverage, 1.0)
        dr, dg, db, da = self.pixels[y][x]
        out_a = sa + da * (1.0 - sa)
        if out_a <= 0.0:
            self.pixels[y][x] = (0.0, 0.0, 0.0, 0.0)
            return
        keep = da * (1.0 - sa)
        self.pixels[y][x] = (
            (sr * sa + dr * keep) / out_a,
            (sg * sa + dg * keep) / out_a,
            (sb * sa + db * keep) / out_a,
            out_a,
        )

    def clear(self, x, y):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = (0.0, 0.0, 0.0, 0.0)

    def rect(self, x0, y0, x1, y1, paint):
        """Fills the whole pixels from (x0, y0) up to, not including, (x1, y1)."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.blend(x, y, paint)

    def round_rect(self, x0, y0, x1, y1, paint, radius):
        """A rectangle on whole-pixel edges whose corners are quarter circles
        of the given radius, drawn with soft edges; the straight sides stay
        crisp."""
        radius = min(radius, (x1 - x0) / 2.0, (y1 - y0) / 2.0)
        reach = math.ceil(radius)
        step = 1.0 / SUPERSAMPLE
        for y in range(y0, y1):
            near_y = y < y0 + reach or y >= y1 - reach
            for x in range(x0, x1):
                if not (near_y and (x < x0 + reach or x >= x1 - reach)):
                    self.blend(x, y, paint)
                    continue
                hits = 0
                for sy in range(SUPERSAMPLE):
                    py = y + (sy + 0.5) * step
                    cy = min(max(py, y0 + radius), y1 - radius)
                    for sx in range(SUPERSAMPLE):
                        px = x + (sx + 0.5) * step
                        cx = min(max(px, x0 + radius), x1 - radius)
                        if (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius:
                            hits += 1
                self.blend(x, y, paint, hits / (SUPERSAMPLE * SUPERSAMPLE))

    def polygon(self, points, paint):
        """Fills a polygon given in pixel-edge coordinates, with soft edges."""
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        step = 1.0 / SUPERSAMPLE
        for y in range(max(int(min(ys)), 0), min(int(max(ys)) + 1, self.size)):
            for x in range(max(int(min(xs)), 0), min(int(max(xs)) + 1, self.size)):
                hits = 0
                for sy in range(SUPERSAMPLE):
                    py = y + (sy + 0.5) * step
                    for sx in range(SUPERSAMPLE):
                        if _inside(points, x + (sx + 0.5) * step, py):
                            hits += 1
                self.blend(x, y, paint, hits / (SUPERSAMPLE * SUPERSAMPLE))

    def pattern(self, x0, y0, rows, paint):
        """Sets pixels from rows of text, where 'X' marks a painted pixel."""
        for dy, row in enumerate(rows):
            for dx, mark in enumerate(row):
                if mark == "X":
                    self.blend(x0 + dx, y0 + dy, paint)


def _inside(points, px, py):
    """Even-odd test of a point against a polygon."""
    inside = False
    count = len(points)
    for i in range(count):
        ax, ay = points[i]
        bx, by = points[(i + 1) % count]
        if (ay > py) != (by > py):
            cross_x = ax + (py - ay) * (bx - ax) / (by - ay)
            if px < cross_x:
                inside = not inside
    return inside
