"""Checks the icon generator and the icons committed in res/.

    python3 -m unittest discover -s scripts -p 'test_*.py'
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import make_icons  # noqa: E402
from ico_file import decode_icon, encode_icon, image_kinds  # noqa: E402

# What Windows asks for at 100 to 200 %: each icon must carry every one of
# these itself, or Windows stretches another.
WANTED_SIZES = {16, 20, 24, 32, 40, 48, 64}
EXPECTED_SIZES = {
    "app.ico": set(make_icons.APP_SIZES),
    **{f"desktop{n}.ico": set(make_icons.DESKTOP_SIZES) for n in range(1, 5)},
}
# Mean difference per channel (0..255, colours weighed by their alpha) below
# which one size counts as a resampled copy of another. Pictures drawn for
# their sizes differ by 10 or more; a copy made by any of the resamplers
# below by less than 3.
RESCALE_LIMIT = 6.0


def committed(name):
    with open(os.path.join(make_icons.RES_DIR, name), "rb") as f:
        return f.read()


class CommittedIcons(unittest.TestCase):
    def test_res_matches_what_the_script_draws(self):
        # A picture changed in the script but not regenerated (or the other
        # way round) would ship icons nobody can rebuild.
        self.assertEqual(make_icons.main(["--check"]), 0)

    def test_every_icon_has_its_sizes_and_a_consistent_mask(self):
        for name, sizes in EXPECTED_SIZES.items():
            with self.subTest(icon=name):
                images = decode_icon(committed(name))
                self.assertEqual(set(images), sizes)
                self.assertLessEqual(WANTED_SIZES, set(images))
                for size, (rows, masks) in images.items():
                    for y in range(size):
                        for x in range(size):
                            r, g, b, a = rows[y][x]
                            # Screens drawing through the AND mask must see
                            # exactly the shape that alpha shows. (A PNG
                            # image has no mask: Windows takes it from alpha.)
                            if masks is not None:
                                self.assertEqual(masks[y][x], a == 0, (size, x, y))
                            if a == 0:
                                self.assertEqual((r, g, b), (0, 0, 0), (size, x, y))
                    # The corners are cut round, so the picture never fills
                    # a plain square, and its middle is solid.
                    self.assertLess(rows[0][0][3], 128, size)
                    self.assertEqual(rows[size // 3][size // 2][3], 255)

    def test_every_image_has_alpha_with_soft_edges(self):
        # A palette image, or a 32-bit one whose alpha is all solid or all
        # clear, shows jagged edges on every background.
        for name in EXPECTED_SIZES:
            data = committed(name)
            for size, kind in image_kinds(data).items():
                with self.subTest(icon=name, size=size):
                    self.assertIn(kind, (32, "png"))
                    alphas = {pixel[3] for row in decode_icon(data)[size][0] for pixel in row}
                    self.assertIn(255, alphas)
                    self.assertTrue(any(0 < a < 255 for a in alphas), "no soft edge")

    def test_no_size_is_a_rescaled_copy_of_another(self):
        for name in EXPECTED_SIZES:
            images = decode_icon(committed(name))
            sizes = sorted(images)
            for i, small in enumerate(sizes):
                for big in sizes[i + 1 :]:
                    with self.subTest(icon=name, sizes=(small, big)):
                        self.assertGreater(
                            rescale_distance(images[small][0], images[big][0]), RESCALE_LIMIT)

    def test_a_rescaled_copy_is_recognised(self):
        # The check above is only as good as its resamplers.
        rows = decode_icon(committed("desktop4.ico"))
        for small, big in ((32, 64), (32, 40), (16, 20), (48, 64)):
            with self.subTest(sizes=(small, big)):
                up = [[tuple(round(c) for c in p) for p in row]
                      for row in bilinear(rows[small][0], big)]
                self.assertLess(rescale_distance(rows[small][0], nearest(rows[small][0], big)),
                                RESCALE_LIMIT)
                self.assertLess(rescale_distance(rows[small][0], up), RESCALE_LIMIT)
                down = [[tuple(round(c) for c in p) for p in row]
                        for row in area_average(rows[big][0], small)]
                self.assertLess(rescale_distance(down, rows[big][0]), RESCALE_LIMIT)

    def test_the_four_tray_icons_differ_at_every_size(self):
        decoded = [decode_icon(committed(f"desktop{n}.ico")) for n in range(1, 5)]
        for size in make_icons.DESKTOP_SIZES:
            pictures = [d[size][0] for d in decoded]
            for i in range(4):
                for j in range(i + 1, 4):
                    self.assertNotEqual(pictures[i], pictures[j], (size, i + 1, j + 1))


def weighed(pixel):
    """A pixel's colour weighed by its alpha, as it shows when drawn."""
    a = pixel[3] / 255.0
    return (pixel[0] * a, pixel[1] * a, pixel[2] * a, float(pixel[3]))


def nearest(rows, size):
    n = len(rows)
    return [[rows[y * n // size][x * n // size] for x in range(size)] for y in range(size)]


def bilinear(rows, size):
    n = len(rows)

    def source(i):
        f = min(max((i + 0.5) * n / size - 0.5, 0.0), n - 1.0)
        return int(f), min(int(f) + 1, n - 1), f - int(f)

    out = []
    for y in range(size):
        y0, y1, ty = source(y)
        row = []
        for x in range(size):
            x0, x1, tx = source(x)
            corners = ((y0, x0, (1 - ty) * (1 - tx)), (y0, x1, (1 - ty) * tx),
                       (y1, x0, ty * (1 - tx)), (y1, x1, ty * tx))
            row.append(tuple(sum(rows[cy][cx][i] * w for cy, cx, w in corners)
                             for i in range(4)))
        out.append(row)
    return out


def area_average(rows, size):
    """rows averaged onto size x size pixels, each weighed by how much of it
    falls into the target pixel: how a picture is shrunk well."""
    n = len(rows)
    scale = n / size
    out = []
    for y in range(size):
        row = []
        for x in range(size):
            total, weight = [0.0] * 4, 0.0
            for sy in range(int(y * scale), min(n, int((y + 1) * scale + 0.999))):
                wy = min((y + 1) * scale, sy + 1) - max(y * scale, sy)
                for sx in range(int(x * scale), min(n, int((x + 1) * scale + 0.999))):
                    w = wy * (min((x + 1) * scale, sx + 1) - max(x * scale, sx))
                    if w > 0:
                        total = [t + c * w for t, c in zip(total, rows[sy][sx])]
                        weight += w
            row.append(tuple(t / weight for t in total))
        out.append(row)
    return out


def mean_difference(a, b):
    pairs = [(p, q) for ra, rb in zip(a, b) for p, q in zip(ra, rb)]
    return sum(abs(u - v) for p, q in pairs for u, v in zip(weighed(p), weighed(q))) / (
        4 * len(pairs))


def rescale_distance(small, big):
    """How far the bigger picture is from the smaller one shrunk or grown to
    it in the usual ways; near 0 for a copy made by one of them."""
    size = len(big)
    return min(mean_difference(area_average(big, len(small)), small),
               mean_difference(nearest(small, size), big),
               mean_difference(bilinear(small, size), big))


def numeral_runs(canvas, y):
    """Separate stretches of numeral colour along row y."""
    runs = 0
    inside = False
    for pixel in canvas.pixels[y]:
        lit = pixel[:3] == make_icons.NUMERAL[:3] and pixel[3] == 1.0
        if lit and not inside:
            runs += 1
        inside = lit
    return runs


class Numerals(unittest.TestCase):
    def test_strokes_stay_apart_so_numerals_can_be_counted(self):
        # Strokes that touch would turn II or III into one blob at tray size.
        for size in make_icons.DESKTOP_SIZES:
            screen = (make_icons.MONITORS[size]["body"], make_icons.MONITORS[size]["bezel"])
            (x0, y0, x1, y1), (top, _, bottom) = screen
            middle = (y0 + 1 + top + y1 - 1 - bottom) // 2
            for number, strokes in ((1, 1), (2, 2), (3, 3)):
                with self.subTest(size=size, number=number):
                    canvas = make_icons.desktop_picture(size, number)
                    self.assertEqual(numeral_runs(canvas, middle), strokes)

    def test_iv_shows_a_bar_and_an_open_v(self):
        canvas = make_icons.desktop_picture(16, 4)
        # Top of the numeral: the I and both arms of the V.
        self.assertEqual(numeral_runs(canvas, 3), 3)
        # Its foot: the I and the V's single point.
        self.assertEqual(numeral_runs(canvas, 9), 2)


class IcoEncoding(unittest.TestCase):
    def test_mask_rows_are_padded_for_sizes_not_a_multiple_of_32(self):
        size = 20
        pixels = [
            [(x * 10, y * 10, 7, 255 if (x + y) % 3 else 0) for x in range(size)]
            for y in range(size)
        ]
        data = encode_icon({size: pixels, 16: [[(1, 2, 3, 255)] * 16] * 16})
        images = decode_icon(data)
        rows, masks = images[size]
        expected = [[p if p[3] else (0, 0, 0, 0) for p in row] for row in pixels]
        self.assertEqual(rows, expected)
        self.assertEqual(masks, [[p[3] == 0 for p in row] for row in pixels])
        self.assertEqual(images[16][0][5][5], (1, 2, 3, 255))

    def test_palette_images_keep_every_solid_pixel_and_refuse_soft_ones(self):
        size = 20  # index rows padded to 32 bits too
        pixels = [[(x * 12, y % 10 * 20, 5, 0 if x == y else 255) for x in range(size)]
                  for y in range(size)]
        rows, masks = decode_icon(encode_icon({size: pixels}, paletted=(size,)))[size]
        self.assertEqual(rows, [[p if p[3] else (0, 0, 0, 0) for p in row] for row in pixels])
        self.assertEqual(masks, [[p[3] == 0 for p in row] for row in pixels])
        pixels[3][4] = (1, 2, 3, 128)
        with self.assertRaises(ValueError):
            encode_icon({size: pixels}, paletted=(size,))

    def test_damaged_files_are_refused(self):
        good = committed("desktop1.ico")
        with self.assertRaises(ValueError):
            decode_icon(good[: len(good) // 2])
        with self.assertRaises(ValueError):
            decode_icon(b"\0\0\2\0" + good[4:])  # a cursor, not an icon


if __name__ == "__main__":
    unittest.main()
