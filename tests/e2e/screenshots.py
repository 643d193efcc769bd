#!/usr/bin/env python3
"""Takes the README's pictures of the real Quorvane.exe under Wine: the
options window, the About box, and the tray with its menu open.

Usage:
    python3 tests/e2e/screenshots.py [/path/to/Quorvane.exe] [--out DIR]
                                     [--dpi DPI [DPI ...]]

The program defaults to $QUORVANE_EXE, then to the build's output; the
pictures go to docs/images (options.png, about.png, tray.png). With --dpi,
the same three are taken again at each of those screen resolutions (120,
144 and 192 are Windows' 125, 150 and 200 %), named like tray-144dpi.png.
Each resolution runs in a fresh Wine prefix on an Xvfb display of its own,
like the end-to-end tests, with Wine's Tahoma in the prefix: the font the
dialogs are laid out for. Needs what the tests need, plus Debian's
fonts-wine for Tahoma."""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep the source tree clean

from harness import cleanup, dialogs, places, shots, tray, wine  # noqa: E402
from harness.display import SCREEN  # noqa: E402
from harness.prepared_start import (default_copy, install_tahoma, settings_line,  # noqa: E402
                                    start_traced, write_settings)
from harness.quorvane import DEFAULT_DESKTOP, NEW_DESKTOPS  # noqa: E402
from harness.session import Session  # noqa: E402
from harness.systray_trace import TrayTrace  # noqa: E402
from harness.test_run import TestRun  # noqa: E402
from harness.x_input import RIGHT, XInput  # noqa: E402

DEFAULT_EXE = os.path.join(ROOT, "build", "windows", "platform", "win32", "Quorvane.exe")
DEFAULT_OUT = os.path.join(ROOT, "docs", "images")
SHOWN_COUNT = 4  # all four tray icons in the picture
COPIES = 1 + len(NEW_DESKTOPS)
TRAY_MARGIN = 4
ICON_PRESS_RISE = 1  # the icon's last row of pixels
GEOMETRY_TIMEOUT = 10
EXIT_FAILED = 1
# Where Wine reads the screen's resolution (Windows' "LogPixels"), in dots
# per inch; 96 is 100 %.
DPI_KEY = r"HKCU\Control Panel\Desktop"
DPI_VALUE = "LogPixels"
STANDARD_DPI = 96
# The screen's far corner: off every window, so nothing shows a hover.
POINTER_REST = tuple(int(size) - 1 for size in SCREEN.split("x")[:2])


def parse_arguments():
    parser = argparse.ArgumentParser(description="Screenshots of Quorvane under Wine")
    parser.add_argument("exe", nargs="?", default=os.environ.get("QUORVANE_EXE", DEFAULT_EXE))
    parser.add_argument("--out", default=DEFAULT_OUT)
    parser.add_argument("--dpi", type=int, nargs="+", default=[], metavar="DPI",
                        help="also take the pictures at these resolutions, e.g. 120 144 192")
    return parser.parse_args()


def set_dpi(session, dpi):
    """Sets the prefix's screen resolution; programs started after it use it."""
    wine.run(session.env, [wine.loader(), "reg", "add", DPI_KEY, "/v", DPI_VALUE, "/t", "REG_DWORD",
                           "/d", str(dpi), "/f"])
    wine.wait_for_server(session.env)


def picture_name(kind, dpi):
    return f"{kind}.png" if dpi == STANDARD_DPI else f"{kind}-{dpi}dpi.png"


def x_window_rect(display, x_window):
    """Where an X window is drawn. Without a window manager Wine draws no
    frame, so this is a dialog's visible part, smaller than its Win32 rect."""
    output = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(x_window)],
                            env=dict(os.environ, DISPLAY=display), check=True,
                            capture_output=True, text=True, timeout=GEOMETRY_TIMEOUT).stdout
    values = dict(line.split("=", 1) for line in output.split())
    left, top = int(values["X"]), int(values["Y"])
    return places.Rect(left, top, left + int(values["WIDTH"]), top + int(values["HEIGHT"]))


class Photographer:
    def __init__(self, run, session, out_dir, dpi):
        self.run, self.session, self.out_dir, self.dpi = run, session, out_dir, dpi
        self.x_input = XInput(run.display)
        self.trace = None
        self.copy = None

    def start(self):
        write_settings(self.session, settings_line(SHOWN_COUNT))
        if not install_tahoma(self.session):
            print("warning: Wine's Tahoma not found (apt-get install fonts-wine)",
                  file=sys.stderr)
        launched = start_traced(self.session, "quorvane")
        self.trace = TrayTrace(launched.stderr_path)
        tray.wait_first_icons(self.trace)
        self.copy = default_copy(self.session)
        tray.wait_all_copies(self.trace, tray.icon_ids(SHOWN_COUNT), COPIES)

    def open_tray_menu(self):
        tray_window, icon = tray.icon_place(self.session, self.trace, DEFAULT_DESKTOP,
                                            self.copy.hwnd, tray.icon_id(1))
        self.x_input.raise_window(tray_window.x_window)
        # The menu opens at the pointer: pressed low on the icon, it leaves
        # most of the tray in view.
        self.x_input.click(places.center(icon)[0], icon.bottom - ICON_PRESS_RISE, RIGHT)
        menu = tray.wait_menu(self.session, DEFAULT_DESKTOP)
        # The menu may open under the tray window, which was just raised.
        self.x_input.raise_window(menu.x_window)
        # Off the icons, so no tip shows; on the menu's border, so nothing
        # in it is selected.
        self.x_input.move((menu.rect.left + menu.rect.right) // 2, menu.rect.bottom - 1)
        return menu

    def save(self, kind, rect, margin=0):
        path = os.path.join(self.out_dir, picture_name(kind, self.dpi))
        shots.save_area(self.run, path, rect, margin)
        print(path)

    def tray_picture(self):
        menu = self.open_tray_menu()
        tray_window, _ = tray.icon_place(self.session, self.trace, DEFAULT_DESKTOP,
                                         self.copy.hwnd, tray.icon_id(1))
        self.save("tray", shots.union(x_window_rect(self.run.display, menu.x_window),
                                          x_window_rect(self.run.display, tray_window.x_window)),
                  TRAY_MARGIN)
        tray.choose(self.session, self.x_input, DEFAULT_DESKTOP, tray.CLOSE_MENU_KEYS)

    def options_picture(self):
        self.open_tray_menu()
        tray.choose(self.session, self.x_input, DEFAULT_DESKTOP, tray.SHOW_OPTIONS_KEYS)
        window = dialogs.wait_options_shown(self.session, self.copy.pid)
        # Away from the window, so no control shows the pointer over it.
        self.x_input.move(*POINTER_REST)
        self.save("options", x_window_rect(self.run.display, window.x_window))
        dialogs.press(self.session, self.x_input, window, dialogs.IDCANCEL)
        dialogs.wait_options_hidden(self.session, self.copy.pid)

    def about_picture(self):
        self.open_tray_menu()
        tray.choose(self.session, self.x_input, DEFAULT_DESKTOP, tray.ABOUT_KEYS)
        box = dialogs.wait_about(self.session, self.copy.pid)
        self.x_input.move(*POINTER_REST)
        self.save("about", x_window_rect(self.run.display, box.x_window))
        dialogs.close_about(self.session, self.x_input, box)


def take_pictures(run, out_dir, dpi):
    session = Session(run, f"screenshots-{dpi}dpi", run.artifacts)
    try:
        if dpi != STANDARD_DPI:
            set_dpi(session, dpi)
        photographer = Photographer(run, session, out_dir, dpi)
        photographer.start()
        photographer.tray_picture()
        photographer.options_picture()
        photographer.about_picture()
    finally:
        session.close()


def main():
    arguments = parse_arguments()
    if not os.path.isfile(arguments.exe):
        print(f"Quorvane.exe not found: {arguments.exe!r}", file=sys.stderr)
        return EXIT_FAILED
    cleanup.install()
    artifacts = tempfile.mkdtemp(prefix="quorvane-shots-")
    run = TestRun(os.path.abspath(arguments.exe), artifacts, keep=False)
    try:
        run.prepare(os.path.join(HERE, "probes"))
        for dpi in [STANDARD_DPI] + arguments.dpi:
            take_pictures(run, os.path.abspath(arguments.out), dpi)
    except Exception as error:
        run.screenshot(os.path.join(artifacts, "screen.png"))
        print(f"screenshots failed: {error} (logs in {artifacts})", file=sys.stderr)
        return EXIT_FAILED
    finally:
        run.close()
    shutil.rmtree(artifacts, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
