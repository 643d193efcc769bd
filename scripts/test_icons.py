"""Checks the icon generator and the icons committed in res/.

    python3 -m unittest discover -s scripts -p 'test_*.py'
"""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import make_icons  # noqa: E402
from ico_file import decode_icon, encode_icon  # noqa: E402

EXPECTED_SIZES = {
    "app.ico": set(make_icons.APP_SIZES),
    **{f"desktop{n}.ico": set(make_icons.DESKTOP_SIZES) for n in range(1, 5)},
}


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
                self.assertLessEqual({16, 32}, set(images))
                for size, (rows, masks) in images.items():
                    for y in range(size):
                        for x in range(size):
                            r, g, b, a = rows[y][x]
                            # Screens drawing through the AND mask must see
                            # exactly the shape that alpha shows.
                            self.assertEqual(masks[y][x], a == 0, (size, x, y))
                            if a == 0:
                                self.assertEqual((r, g, b), (0, 0, 0), (size, x, y))
                    # The corners are cut round, so the picture never fills
                    # a plain square, and its middle is solid.
                    self.assertEqual(rows[0][0][3], 0)
                    self.assertEqual(rows[size // 3][size // 2][3], 255)

    def test_the_four_tray_icons_differ_at_every_size(self):
        decoded = [decode_icon(committed(f"desktop{n}.ico")) for n in range(1, 5)]
        for size in make_icons.DESKTOP_SIZES:
            pictures = [d[size][0] for d in decoded]
            for i in range(4):
                for j in range(i + 1, 4):
                    self.assertNotEqual(pictures[i], pictures[j], (size, i + 1, j + 1))


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
