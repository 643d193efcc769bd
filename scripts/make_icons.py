#!/usr/bin/env python3
"""Draws Quorvane's icons and writes them to res/*.ico.

    python3 scripts/make_icons.py          # rewrite res/app.ico, res/desktop1..4.ico
    python3 scripts/make_icons.py --check  # exit 1 if a committed icon is out of date

Every picture is a monitor: a light bezel with a dark outline, so it shows on
light and dark taskbars alike, a dark blue screen and a small stand. The tray
icons carry the desktop's Roman numeral on the screen; the application icon
shows two overlapping windows there instead.
"""

import argparse
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from ico_file import decode_icon, encode_icon, image_kinds  # noqa: E402
from pixel_canvas import Canvas, rgb, vertical_gradient  # noqa: E402

RES_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "res")

OUTLINE = rgb("#232833")
BEZEL_TOP = rgb("#f5f7fa")
BEZEL_BOTTOM = rgb("#bfc6d1")
SCREEN_TOP = rgb("#2456c4")
SCREEN_BOTTOM = rgb("#0c2566")
STAND = rgb("#aab2be")
NUMERAL = rgb("#ffe23d")
LED = rgb("#48d16a")

# Monitor layout for each size, in pixel edges (end exclusive), each fitted
# to its own pixel grid: body is the outlined case, line the outline's width,
# radius how round its corners are, bezel how far the screen sits in from the
# outline (top, sides, bottom), then the neck and the base of the stand, and
# the power light on the chin (0 where the chin is too narrow for one).
MONITORS = {
    16: dict(body=(0, 0, 16, 13), line=1, radius=2, bezel=(1, 1, 1), neck=(6, 13, 10, 14),
             base=(3, 14, 13, 16), led=0),
    20: dict(body=(0, 0, 20, 16), line=1, radius=2, bezel=(1, 1, 1), neck=(8, 16, 12, 18),
             base=(4, 18, 16, 20), led=0),
    24: dict(body=(0, 0, 24, 19), line=1, radius=3, bezel=(2, 2, 2), neck=(9, 19, 15, 21),
             base=(5, 21, 19, 24), led=0),
    32: dict(body=(0, 0, 32, 25), line=1, radius=3, bezel=(2, 2, 3), neck=(12, 25, 20, 28),
             base=(6, 28, 26, 32), led=1),
    40: dict(body=(0, 1, 40, 31), line=1, radius=3.5, bezel=(2, 3, 4), neck=(15, 31, 25, 35),
             base=(8, 35, 32, 40), led=2),
    48: dict(body=(1, 2, 47, 38), line=1, radius=4, bezel=(3, 3, 4), neck=(19, 38, 29, 42),
             base=(10, 42, 38, 47), led=2),
    64: dict(body=(1, 2, 63, 51), line=2, radius=5, bezel=(3, 4, 6), neck=(25, 51, 39, 56),
             base=(13, 56, 51, 63), led=2),
}


def draw_monitor(canvas):
    """Draws the monitor and returns its screen rectangle."""
    m = MONITORS[canvas.size]
    x0, y0, x1, y1 = m["body"]
    line = m["line"]
    top, side, bottom = m["bezel"]

    nx0, ny0, nx1, ny1 = m["neck"]
    canvas.rect(nx0, ny0, nx1, ny1, OUTLINE)
    canvas.rect(nx0 + line, ny0, nx1 - line, ny1, STAND)

    bx0, by0, bx1, by1 = m["base"]
    canvas.round_rect(bx0, by0, bx1, by1, OUTLINE, line + 0.5)
    canvas.round_rect(bx0 + line, by0, bx1 - line, by1 - line,
                      vertical_gradient(BEZEL_TOP, STAND, by0, by1 - line), 0.5)

    canvas.round_rect(x0, y0, x1, y1, OUTLINE, m["radius"])
    canvas.round_rect(
        x0 + line, y0 + line, x1 - line, y1 - line,
        vertical_gradient(BEZEL_TOP, BEZEL_BOTTOM, y0 + line, y1 - line),
        m["radius"] - line,
    )
    screen = (x0 + line + side, y0 + line + top, x1 - line - side, y1 - line - bottom)
    sx0, sy0, sx1, sy1 = screen
    canvas.rect(sx0, sy0, sx1, sy1, vertical_gradient(SCREEN_TOP, SCREEN_BOTTOM, sy0, sy1))
    led = m["led"]
    if led:
        ly = sy1 + (bottom - led) // 2
        canvas.rect(sx1 - 2 * led, ly, sx1 - led, ly + led, LED)
    return screen


# At 16 px the numerals are hand-set pixel by pixel, since nothing drawn
# from shapes stays this sharp. 'X' is a lit pixel.
NUMERALS_16 = {
    1: ["XX"] * 7,
    2: ["XX.XX"] * 7,
    3: ["XX.XX.XX"] * 7,
    4: [
        "XX.XX...XX",
        "XX.XX...XX",
        "XX..XX.XX.",
        "XX..XX.XX.",
        "XX...XXX..",
        "XX...XXX..",
        "XX....X...",
    ],
}

# Larger sizes build numerals from strokes: height, stroke width, the gap
# between letters, the width of the V and, at 32 px where there is room,
# serifs (how far they reach out, how tall they are). The V's width and the
# stroke share their parity so the V's foot lands on whole pixels.
STROKES = {
    20: dict(height=8, stroke=2, gap=2, v_width=8),
    24: dict(height=10, stroke=3, gap=2, v_width=11),
    32: dict(height=13, stroke=3, gap=1, v_width=13, serif=(1, 2)),
    40: dict(height=16, stroke=3, gap=2, v_width=15, serif=(1, 2)),
    48: dict(height=19, stroke=4, gap=2, v_width=18, serif=(2, 3)),
    64: dict(height=25, stroke=5, gap=3, v_width=23, serif=(2, 4)),
}


def numeral_letters(number):
    return {1: "I", 2: "II", 3: "III", 4: "IV"}[number]


def draw_numeral(canvas, screen, number):
    sx0, sy0, sx1, sy1 = screen
    if canvas.size == 16:
        rows = NUMERALS_16[number]
        width = len(rows[0])
        x = sx0 + (sx1 - sx0 - width) // 2
        y = sy0 + (sy1 - sy0 - len(rows)) // 2
        canvas.pattern(x, y, rows, NUMERAL)
        return

    s = STROKES[canvas.size]
    ext, serif_h = s.get("serif", (0, 0))
    letters = numeral_letters(number)
    widths = [(s["stroke"] if ch == "I" else s["v_width"]) + 2 * ext for ch in letters]
    total = sum(widths) + s["gap"] * (len(letters) - 1)
    x = sx0 + (sx1 - sx0 - total) // 2
    top = sy0 + (sy1 - sy0 - s["height"]) // 2
    bottom = top + s["height"]
    for ch, width in zip(letters, widths):
        left, right = x + ext, x + width - ext
        if ch == "I":
            canvas.rect(left, top, right, bottom, NUMERAL)
            if serif_h:
                canvas.rect(x, bottom - serif_h, x + width, bottom, NUMERAL)
        else:
            draw_v(canvas, left, top, right, bottom, s["stroke"])
        if serif_h:
            canvas.rect(x, top, left + s["stroke"] + ext, top + serif_h, NUMERAL)
            canvas.rect(right - s["stroke"] - ext, top, x + width, top + serif_h, NUMERAL)
        x += width + s["gap"]


def draw_v(canvas, x0, top, x1, bottom, stroke):
    """A V of two slanted strokes meeting in a flat foot one stroke wide."""
    mid = (x0 + x1) / 2.0
    half = stroke / 2.0
    # Where the inner edges of the two strokes cross.
    outer_run = (mid - half) - x0
    inner_y = top + (bottom - top) * (mid - (x0 + stroke)) / outer_run if outer_run else bottom
    canvas.polygon(
        [
            (x0, top),
            (x0 + stroke, top),
            (mid, inner_y),
            (x1 - stroke, top),
            (x1, top),
            (mid + half, bottom),
            (mid - half, bottom),
        ],
        NUMERAL,
    )


# Two windows on the application icon's screen: the one behind and the one
# in front, each with a coloured title bar, relative to the screen's corner.
WINDOW_BACK = dict(title=rgb("#5ec8f2"), body=rgb("#c9d6e8"))
WINDOW_FRONT = dict(title=rgb("#ff9a2e"), body=rgb("#ffffff"))
WINDOWS = {
    16: [(1, 1, 7, 6), (4, 3, 11, 8)],
    20: [(1, 1, 9, 7), (5, 4, 14, 10)],
    24: [(2, 2, 10, 8), (6, 5, 16, 11)],
    32: [(3, 2, 16, 12), (9, 6, 23, 16)],
    40: [(3, 3, 19, 14), (11, 8, 28, 20)],
    48: [(4, 4, 23, 18), (14, 10, 34, 25)],
    64: [(5, 4, 29, 22), (18, 12, 45, 31)],
}
# Rows of title bar per size.
TITLE_ROWS = {16: 1, 20: 1, 24: 2, 32: 2, 40: 2, 48: 3, 64: 4}


def draw_window(canvas, screen, rect, look, title_rows):
    sx0, sy0 = screen[0], screen[1]
    x0, y0, x1, y1 = (sx0 + rect[0], sy0 + rect[1], sx0 + rect[2], sy0 + rect[3])
    # A dark rim keeps the front window apart from the one behind it.
    rim = MONITORS[canvas.size]["line"]
    canvas.rect(x0 - rim, y0 - rim, x1 + rim, y1 + rim, OUTLINE)
    canvas.rect(x0, y0, x1, y0 + title_rows, look["title"])
    canvas.rect(x0, y0 + title_rows, x1, y1, look["body"])


def app_picture(size):
    canvas = Canvas(size)
    screen = draw_monitor(canvas)
    title_rows = TITLE_ROWS[size]
    back, front = WINDOWS[size]
    draw_window(canvas, screen, back, WINDOW_BACK, title_rows)
    draw_window(canvas, screen, front, WINDOW_FRONT, title_rows)
    return canvas


def desktop_picture(size, number):
    canvas = Canvas(size)
    screen = draw_monitor(canvas)
    draw_numeral(canvas, screen, number)
    return canvas


def to_bytes(canvas):
    """Pixel rows of 0..255 (r, g, b, a) tuples, rounding halves up."""
    return [
        [tuple(int(c * 255.0 + 0.5) for c in pixel) for pixel in row] for row in canvas.pixels
    ]


# What Windows asks for at 100, 125, 150 and 200 %: small icons of 16, 20,
# 24 and 32 pixels, large ones of 32, 40, 48 and 64.
SIZES = (16, 20, 24, 32, 40, 48, 64)
APP_SIZES = SIZES
DESKTOP_SIZES = SIZES
# The large sizes are stored PNG-compressed, in a tenth or less of their
# bitmaps' bytes, which keeps the program small; Windows reads those since
# Vista. Up to 32 px they stay bitmaps, the form every Windows reads, so the
# tray's pictures never depend on a PNG decoder.
PNG_SIZES = (40, 48, 64)


def all_icons():
    """{file name: .ico bytes} for every icon the program ships."""
    icons = {"app.ico": encode_icon({s: to_bytes(app_picture(s)) for s in APP_SIZES},
                                    png=PNG_SIZES)}
    for number in range(1, 5):
        icons[f"desktop{number}.ico"] = encode_icon(
            {s: to_bytes(desktop_picture(s, number)) for s in DESKTOP_SIZES}, png=PNG_SIZES
        )
    return icons


def same_icon(stored, drawn):
    """Whether a committed icon holds what the script draws. Another zlib may
    pack the same PNG images into other bytes, so those count as equal when
    every image decodes to the same pixels, stored the same way."""
    if stored == drawn:
        return True
    try:
        return (image_kinds(stored) == image_kinds(drawn)
                and decode_icon(stored) == decode_icon(drawn))
    except (ValueError, struct.error, zlib.error):
        return False


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="only compare with res/*.ico")
    parser.add_argument("--out", default=RES_DIR, help="folder to write to (default: res/)")
    args = parser.parse_args(argv)

    stale = []
    for name, data in all_icons().items():
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if not same_icon(f.read(), data):
                        stale.append(name)
            except FileNotFoundError:
                stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale) + " (run scripts/make_icons.py)", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
