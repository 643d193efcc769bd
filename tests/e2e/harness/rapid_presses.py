"""Many presses on one window's tray icons in quick succession, with real X
input: left presses fired off in one xdotool run, and right presses each
followed by Escape on the menu it opens, so no later press lands on a
menu item."""

import os
import subprocess
import time

from . import places, tray
from .waiting import WaitTimeout
from .x_input import LEFT, RIGHT

XDOTOOL_TIMEOUT = 60
# Between presses of a burst: quick, but each press and release still
# arrives as its own pair of events.
BURST_PAUSE = "0.05"
# Time for a right press's menu to come up before Escape is aimed at it.
MENU_WAIT = "0.4"
# An Escape that reached the menu has closed it well within this.
MENU_GONE_WAIT = 2
# Every desktop's tray window sits at the same spot, and one that another
# copy just rebuilt can come up over the raised one: raise it again.
RAISE_TRIES = 5
RAISE_SETTLE = 0.3


class RapidPresser:
    def __init__(self, session, x_input, trace, desktop, owner, display):
        self._session = session
        self._x_input = x_input
        self._trace = trace
        self._desktop = desktop
        self._owner = owner
        self._env = dict(os.environ, DISPLAY=display)
        self._menu_spots = {}
        self.missed_escapes = 0

    def _xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self._env, check=True,
                       stdout=subprocess.DEVNULL, timeout=XDOTOOL_TIMEOUT)

    def _spots(self, icon_ids):
        """Raises the tray and returns each icon's centre, once the pointer is
        seen resting on that tray. The icons stay where they are while the
        count does not change, so one look serves a whole series."""
        spots = {}
        for icon_id in icon_ids:
            tray_window, rect = tray.icon_place(self._session, self._trace, self._desktop,
                                                self._owner, icon_id)
            spots[icon_id] = places.center(rect)
        for _ in range(RAISE_TRIES):
            self._x_input.raise_window(tray_window.x_window)
            self._x_input.move(*spots[icon_id])
            if self._x_input.window_under_pointer() == tray_window.x_window:
                break
            time.sleep(RAISE_SETTLE)
        assert self._x_input.window_under_pointer() == tray_window.x_window, \
            f"the tray of {self._desktop} is covered at {spots[icon_id]}"
        return spots

    def left_burst(self, icon_ids):
        """Left presses on these icons, one after another, in a single run."""
        spots = self._spots(sorted(set(icon_ids)))
        chain = []
        for icon_id in icon_ids:
            chain += ["mousemove", *spots[icon_id], "click", LEFT, "sleep", BURST_PAUSE]
        self._xdotool(*chain)

    def right_presses(self, icon_ids):
        """A right press on each icon in turn, each followed by Escape with
        the pointer on the menu's bottom border, where keys reach the menu.
        The menu's place for an icon is learnt on its first press; after that
        no probe slows the presses down, except to see the menu gone."""
        spots = self._spots(sorted(set(icon_ids)))
        for icon_id in icon_ids:
            if icon_id not in self._menu_spots:
                self._xdotool("mousemove", *spots[icon_id], "click", RIGHT)
                menu = tray.wait_menu(self._session, self._desktop)
                self._menu_spots[icon_id] = ((menu.rect.left + menu.rect.right) // 2,
                                             menu.rect.bottom - 1)
                self._xdotool("mousemove", *self._menu_spots[icon_id], "sleep", MENU_WAIT,
                              "key", "Escape")
            else:
                self._xdotool("mousemove", *spots[icon_id], "click", RIGHT, "sleep", MENU_WAIT,
                              "mousemove", *self._menu_spots[icon_id], "sleep", BURST_PAUSE,
                              "key", "Escape")
            self.close_menu()

    def close_menu(self):
        """Makes sure no menu is left open: if the quick Escape missed (the
        menu came up late on a busy machine), closes it the checked way."""
        try:
            places.wait_gone(self._session, self._desktop, places.POPUP_MENU_CLASS,
                             timeout=MENU_GONE_WAIT)
        except WaitTimeout:
            self.missed_escapes += 1
            tray.choose(self._session, self._x_input, self._desktop, tray.CLOSE_MENU_KEYS)
