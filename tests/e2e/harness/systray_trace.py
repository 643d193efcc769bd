"""What each desktop's notification area shows, read from a WINEDEBUG=+pid,
+systray trace.

Every desktop has its own Wine explorer and so its own tray. With no window
manager, an explorer shows its icons in a standalone tray window, in the
order they were shown, and closes the gap when one goes:
    00cc:00d0:trace:systray:show_icon id=0x44, hwnd=00010052
    00cc:00d0:trace:systray:hide_icon id=0x11, hwnd=00010052
The first field is the explorer's process id, hwnd is the window that owns
the icon. Replaying these lines gives, per explorer, the icons in their
on-screen order: that order is what tells the tests which icon is which."""

import re
from collections import namedtuple

# Also read by the timed tray history, which uses the optional timestamp.
ICON_LINE = re.compile(
    r"^(?:(?P<time>\d+\.\d+):)?(?P<pid>[0-9a-fA-F]+):[0-9a-fA-F]+:trace:systray:(?P<what>show_icon|hide_icon) "
    r"id=0x(?P<id>[0-9a-fA-F]+), hwnd=(?P<hwnd>[0-9a-fA-F]+)")

# What a tray passes on to the owner of an icon, the button messages and
# what follows them for icons of the newer behaviour (one line per message):
#     00cc:00d0:trace:systray:notify_owner relaying 0x400
RELAY_LINE = re.compile(
    r"^(?:\d+\.\d+:)?(?P<pid>[0-9a-fA-F]+):[0-9a-fA-F]+:trace:systray:notify_owner "
    r"relaying 0x(?P<message>[0-9a-fA-F]+)")

Icon = namedtuple("Icon", "owner icon_id")
Event = namedtuple("Event", "tray shown icon")


def parse_events(text):
    """(tray process id, shown?, Icon) per line, in trace order."""
    for line in text.splitlines():
        match = ICON_LINE.match(line.strip())
        if match:
            yield Event(int(match["pid"], 16), match["what"] == "show_icon",
                        Icon(int(match["hwnd"], 16), int(match["id"], 16)))


def relayed(text, tray):
    """The messages the tray of explorer process `tray` passed on to the
    owners of its icons, in order."""
    messages = []
    for line in text.splitlines():
        match = RELAY_LINE.match(line.strip())
        if match and int(match["pid"], 16) == tray:
            messages.append(int(match["message"], 16))
    return messages


class TrayTrace:
    """Follows a growing trace file; update() reads what was added since."""

    def __init__(self, path):
        self._path = path
        self._offset = 0
        self.trays = {}  # explorer process id -> [Icon] in on-screen order
        self.events = []

    def update(self):
        with open(self._path, "rb") as stream:
            stream.seek(self._offset)
            data = stream.read()
        # Only whole lines: the writer may be in the middle of one.
        complete = data[:data.rfind(b"\n") + 1]
        self._offset += len(complete)
        for event in parse_events(complete.decode("utf-8", errors="replace")):
            self._apply(event)
        return self

    def _apply(self, event):
        self.events.append(event)
        icons = self.trays.setdefault(event.tray, [])
        if event.shown and event.icon not in icons:
            icons.append(event.icon)
        elif not event.shown and event.icon in icons:
            icons.remove(event.icon)

    def icons_of(self, owner):
        """The ids of the icons this window has in any tray, in tray order."""
        return [icon.icon_id for icons in self.trays.values() for icon in icons
                if icon.owner == owner]

    def tray_of(self, owner):
        """(explorer process id, its icons) of the tray showing owner's icons."""
        for tray, icons in self.trays.items():
            if any(icon.owner == owner for icon in icons):
                return tray, list(icons)
        return None, []

    def owners(self, icon_ids=None):
        """Every window that shows icons now; with icon_ids, only those that
        show one of these ids."""
        return {icon.owner for icons in self.trays.values() for icon in icons
                if icon_ids is None or icon.icon_id in icon_ids}

    def hidden(self, owner):
        """Ids of owner's icons taken away, in the order they went."""
        return [event.icon.icon_id for event in self.events
                if not event.shown and event.icon.owner == owner]
