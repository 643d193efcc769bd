"""Watches the notification area through Wine's +systray trace, which the
tray's owner (Wine's explorer.exe on "Default") writes to the stderr it
inherited from the first program of the session. Every line is stamped with
the script's clock when it arrives, so an icon's time is when the tray had
shown it, the same way for every program measured."""

import re
import threading
import time
from collections import namedtuple

ADD_ICON = re.compile(r"trace:systray:add_icon id=0x([0-9a-fA-F]+), hwnd=([0-9a-fA-F]+)")
# Wine 8 shows icons in a standalone tray window, Wine 10 in its taskbar.
SHOWN = re.compile(r"trace:systray:(?:add_to_standalone_tray|systray_add_icon) "
                   r"added (\d+) now (\d+) icons")

# An icon the tray has put on screen: when, whose window, which id.
IconShown = namedtuple("IconShown", "time hwnd icon_id")
IconSet = namedtuple("IconSet", "hwnd first last")


def shown_icons(stamped_lines):
    """IconShown records from (time, line) pairs. The tray handles one
    request at a time, so an "added <id>" line completes the last add_icon
    with that id; its time is when the icon was shown."""
    pending = {}
    shown = []
    for stamp, line in stamped_lines:
        added = ADD_ICON.search(line)
        if added:
            pending[int(added.group(1), 16)] = int(added.group(2), 16)
            continue
        placed = SHOWN.search(line)
        if placed:
            icon_id = int(placed.group(1))
            if icon_id in pending:
                shown.append(IconShown(stamp, pending.pop(icon_id), icon_id))
    return shown


def new_icon_set(shown, since, exclude_hwnds, count):
    """The first window, other than exclude_hwnds, that had `count` distinct
    icons shown at or after `since`; None until there is one."""
    ids_by_window = {}
    first_by_window = {}
    for icon in shown:
        if icon.time < since or icon.hwnd in exclude_hwnds:
            continue
        ids = ids_by_window.setdefault(icon.hwnd, set())
        first_by_window.setdefault(icon.hwnd, icon.time)
        ids.add(icon.icon_id)
        if len(ids) == count:
            return IconSet(icon.hwnd, first_by_window[icon.hwnd], icon.time)
    return None


class TrayWatch:
    """Reads a binary stream of trace lines on a thread of its own."""

    def __init__(self, stream, log_path):
        self._stream = stream
        self._log_path = log_path
        self._lines = []
        self._changed = threading.Condition()
        self._thread = threading.Thread(target=self._read, name="tray-watch", daemon=True)
        self._thread.start()

    def _read(self):
        # The stream is this reader's from now on; it ends when the last
        # Wine process holding the pipe does.
        with self._stream, open(self._log_path, "w") as log:
            for raw in iter(self._stream.readline, b""):
                stamp = time.monotonic()
                line = raw.decode("utf-8", errors="replace").rstrip("\r\n")
                log.write(f"{stamp:.6f} {line}\n")
                with self._changed:
                    self._lines.append((stamp, line))
                    self._changed.notify_all()

    def join(self, timeout):
        """Waits for the stream to end and be closed."""
        self._thread.join(timeout)

    def wait_icons(self, since, exclude_hwnds, count, timeout):
        """Waits for a new window's `count` icons; returns its IconSet."""
        deadline = time.monotonic() + timeout
        with self._changed:
            while True:
                found = new_icon_set(shown_icons(self._lines), since, exclude_hwnds, count)
                if found:
                    return found
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    raise TimeoutError(f"no window added {count} tray icons within {timeout:g}s")
                self._changed.wait(remaining)
