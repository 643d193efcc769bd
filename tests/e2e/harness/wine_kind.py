"""What differs between the Wines the tests run on, kept in this one place so
that tests ask a question ("does a switch change the input desktop?")
instead of naming versions.

Debian 12 ships Wine 8, Debian 13 Wine 10. In between, Wine 9.4 made
SwitchDesktop change the input desktop, and explorer started showing the
notification area in the taskbar of its desktop window."""

import re
import subprocess

from . import wine

FIRST_SWITCHING = (9, 4)
# Wine 8 with no window manager and no XEmbed tray: a standalone tray window.
# Wine 10: the taskbar that explorer's desktop window puts on every desktop.
TRAY_WINDOW_CLASSES = ("__winex11_standalone_tray", "Shell_TrayWnd")
TRAY_ICON_CLASSES = ("__winex11_tray_icon", "__wine_tray_icon")
# Four surfaces: well under one object per option round or press, so a leak
# in either still shows.
GDI_NOISE_WHERE_SWITCHING = 8
_VERSION = re.compile(r"wine-(\d+)\.(\d+)")
VERSION_TIMEOUT = 30


class Wine:
    def __init__(self, version):
        self.version = version

    @property
    def switches_desktops(self):
        """True where SwitchDesktop changes the input desktop; Wine 8's is a
        stub that reports success and changes nothing."""
        return self.version >= FIRST_SWITCHING

    @property
    def gdi_noise(self):
        """How far another process's GDI object count may move without any
        leak. Where Wine switches desktops for real, it keeps a window
        surface (a bitmap and a region) for some of a process's windows
        depending on which desktop had the input: counts of one run were seen
        anywhere from 160 to 166, steady for seconds each time."""
        return GDI_NOISE_WHERE_SWITCHING if self.switches_desktops else 0

    def __str__(self):
        return "Wine {}.{}".format(*self.version)


def parse_version(text):
    match = _VERSION.search(text)
    if not match:
        raise RuntimeError(f"cannot read a Wine version from {text!r}")
    return int(match[1]), int(match[2])


def detect():
    output = subprocess.run([wine.loader(), "--version"], capture_output=True, text=True,
                            timeout=VERSION_TIMEOUT, check=True).stdout
    return Wine(parse_version(output))
