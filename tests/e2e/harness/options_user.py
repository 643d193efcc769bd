"""A person at the Default desktop who opens the options window from the
tray menu, set up for the options and About tests: the program started with
a count in its settings file and every copy showing its icons."""

import os

from . import dialogs, run_key, tray
from .prepared_start import default_copy, settings_line, start_traced, write_settings
from .quorvane import DEFAULT_DESKTOP, NEW_DESKTOPS, read_settings, settings_path
from .systray_trace import TrayTrace
from .waiting import wait_until
from .x_input import XInput

COPIES = 1 + len(NEW_DESKTOPS)
FILE_TIMEOUT = 10
REGISTRY_TIMEOUT = 10


class OptionsUser:
    """One person at the Default desktop with the options window."""

    def __init__(self, ctx, count, before_start=None):
        """before_start(session), when given, runs just before the program
        starts, for a test that changes the prefix or the environment."""
        self.session = ctx.session()
        write_settings(self.session, settings_line(count))
        if before_start:
            before_start(self.session)
        launched = start_traced(self.session, "quorvane")
        self.trace = TrayTrace(launched.stderr_path)
        tray.wait_first_icons(self.trace)
        self.copy = default_copy(self.session)
        tray.wait_all_copies(self.trace, tray.icon_ids(count), COPIES)
        self.x_input = XInput(ctx.run.display)

    def open_tray_menu(self):
        return tray.open_menu(self.session, self.x_input, self.trace, DEFAULT_DESKTOP,
                              self.copy.hwnd, tray.icon_id(1), NEW_DESKTOPS)

    def choose_in_tray_menu(self, keys):
        self.open_tray_menu()
        tray.choose(self.session, self.x_input, DEFAULT_DESKTOP, keys)

    def show_options(self):
        self.choose_in_tray_menu(tray.SHOW_OPTIONS_KEYS)
        return dialogs.wait_options_shown(self.session, self.copy.pid)

    def options_visible(self):
        return dialogs.options_window(self.session, self.copy.pid, visible=True) is not None

    def wait_hidden(self):
        dialogs.wait_options_hidden(self.session, self.copy.pid)

    def wait_file(self, expected):
        wait_until(lambda: read_settings(self.session) == expected, FILE_TIMEOUT,
                   f"settings file holding {expected!r}")

    def settings_stamp(self):
        return os.stat(settings_path(self.session)).st_mtime_ns

    def wait_written_since(self, stamp):
        """Waits for the next write of the settings file. OK always writes it,
        last of all, so by then its tray icons are in place too."""
        wait_until(lambda: self.settings_stamp() != stamp, FILE_TIMEOUT,
                   "settings file written")

    def wait_run_value(self, expected):
        wait_until(lambda: run_key.run_value(self.session) == expected, REGISTRY_TIMEOUT,
                   f"Run value {expected!r}")
