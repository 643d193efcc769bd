"""Screenshots of part of the run's display: the whole screen is taken, then
cut down to a rectangle (plus a margin) with imagemagick."""

import os
import subprocess
import tempfile

from .places import Rect

CONVERT_TIMEOUT = 20
DEFAULT_MARGIN = 8


def union(*rects):
    return Rect(min(r.left for r in rects), min(r.top for r in rects),
                max(r.right for r in rects), max(r.bottom for r in rects))


def save_area(run, path, rect, margin=DEFAULT_MARGIN):
    """Saves the screen area rect (grown by margin, kept on screen) as path."""
    left, top = max(0, rect.left - margin), max(0, rect.top - margin)
    width, height = rect.right + margin - left, rect.bottom + margin - top
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch:
        whole = os.path.join(scratch, "screen.png")
        run.screenshot(whole)
        # -strip: no timestamps in the file, so an unchanged picture gives
        # unchanged bytes.
        subprocess.run(["convert", whole, "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                        "-strip", path], check=True, timeout=CONVERT_TIMEOUT,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
