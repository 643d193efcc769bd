"""Real X input on the run's display through xdotool: the same pointer
motion, button and key events a person's mouse and keyboard make.

Xvfb runs without a window manager, so the keyboard focus is "pointer
root": keys go to the X window under the pointer, and Wine makes the window
there the foreground one when the focus arrives. Keys are therefore always
sent with the pointer resting on the window meant to get them (a menu, a
dialog), on a spot where it touches no control."""

import os
import subprocess
import time

XDOTOOL_TIMEOUT = 10
LEFT, RIGHT = 1, 3
# Between separate key presses: a menu or dialog reads one before the next.
KEY_DELAY_MS = 150
# Lets Wine see the pointer arrive before a button or key follows it.
SETTLE_SECONDS = 0.2


class XInput:
    def __init__(self, display):
        self._env = dict(os.environ, DISPLAY=display)

    def _run(self, *args):
        return subprocess.run(["xdotool", *map(str, args)], env=self._env, check=True,
                              capture_output=True, text=True,
                              timeout=XDOTOOL_TIMEOUT).stdout

    def _pointer_location(self):
        return dict(part.split(":", 1) for part in self._run("getmouselocation").split())

    def pointer(self):
        values = self._pointer_location()
        return int(values["x"]), int(values["y"])

    def window_under_pointer(self):
        """The top-level X window the pointer is on (0 for the bare screen)."""
        return int(self._pointer_location()["window"])

    def move(self, x, y):
        # --sync waits for the pointer to move, forever if it is there already.
        if self.pointer() != (x, y):
            self._run("mousemove", "--sync", x, y)
        time.sleep(SETTLE_SECONDS)

    def click(self, x, y, button=LEFT):
        self.move(x, y)
        self._run("click", button)

    def hold(self, x, y, button=LEFT):
        """Presses a button there and keeps it down until release()."""
        self.move(x, y)
        self._run("mousedown", button)

    def release(self, button=LEFT):
        self._run("mouseup", button)

    def keys(self, *names):
        self._run("key", "--delay", KEY_DELAY_MS, *names)

    def raise_window(self, x_window):
        """Puts an X window on top. Without a window manager nothing else
        does, and Wine gives each desktop's tray window the same place."""
        self._run("windowraise", x_window)
