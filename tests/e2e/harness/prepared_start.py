"""Starts Quorvane in a session the way the tray, options and About tests
want it: a settings file already in place (so the program starts hidden, as
on any start after the first), its calls and the trays traced, and the
program's copy on "Default" found."""

import glob
import os
import shutil

from . import places
from .quorvane import DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, settings_path
from .test_run import APP_PATH

TRACE_CHANNELS = "+pid,+relay,+systray"
# Wine's own Tahoma (Debian's fonts-wine): the font the dialogs are laid out for.
TAHOMA_FILES = "/usr/share/wine/fonts/tahoma*.ttf"
FONTS_DIR = r"C:\windows\Fonts"


def settings_line(count):
    """The bytes the program writes for a count: the text-mode write turns
    the line's CR LF into CR CR LF."""
    return f"{count}\r\r\n".encode()


def write_settings(session, data):
    path = settings_path(session)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as stream:
        stream.write(data)


def install_tahoma(session):
    """Copies Wine's Tahoma into the prefix; False if it is not installed."""
    fonts = glob.glob(TAHOMA_FILES)
    for font in fonts:
        shutil.copy(font, session.path(FONTS_DIR))
    return bool(fonts)


def start_traced(session, label):
    """Starts the program with +relay and +systray tracing, which its
    children (shells, copies, each desktop's explorer) inherit. It must be the
    first program in the session: a probe started before it would start the
    Default desktop's explorer untraced."""
    saved = session.env
    session.env = dict(saved, WINEDEBUG=TRACE_CHANNELS)
    try:
        return session.start(APP_PATH, label)
    finally:
        session.env = saved


def default_copy(session):
    """The program's window on "Default" (shown or hidden)."""
    return places.wait_top(session, DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, visible=None)
