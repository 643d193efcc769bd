"""When each window's notification icons came and went, read from a
WINEDEBUG=+timestamp,+pid,+systray trace:
    5647.963:0144:0148:trace:systray:hide_icon id=0x11, hwnd=0001016E
(time, the explorer that runs that desktop's notification area, its thread).

It tells a rebuild from a window left without icons. A rebuild takes all of
a window's icons away and adds its new set at once, so the window holds no
icons only between its last removal and its first addition: a few
milliseconds under Wine, as long as the tray itself keeps another icon (an
emptied tray stalls Wine for about 2 s, so tests keep one there)."""

from collections import namedtuple

from . import systray_trace

Change = namedtuple("Change", "time tray shown owner icon_id")
# A time a window held no icons: from the removal that left it none to the
# addition that ended it (end None: still empty when the trace ends).
EmptySpell = namedtuple("EmptySpell", "owner start end")


def changes(text):
    """Every icon shown or hidden, in trace order."""
    found = []
    for line in text.splitlines():
        match = systray_trace.ICON_LINE.match(line.strip())
        if match:
            time = float(match["time"]) if match["time"] else None
            found.append(Change(time, int(match["pid"], 16), match["what"] == "show_icon",
                                int(match["hwnd"], 16), int(match["id"], 16)))
    return found


def read_changes(path):
    with open(path, "rb") as stream:
        return changes(stream.read().decode("utf-8", errors="replace"))


def empty_spells(all_changes, owner):
    """The times `owner` held no icons after it first had one."""
    held, spells, start = set(), [], None
    for change in all_changes:
        if change.owner != owner:
            continue
        if change.shown:
            held.add(change.icon_id)
            if start is not None:
                spells.append(EmptySpell(owner, start, change.time))
                start = None
        else:
            held.discard(change.icon_id)
            if not held:
                start = change.time
    if start is not None:
        spells.append(EmptySpell(owner, start, None))
    return spells


def lasting_empty_spells(all_changes, owners, limit):
    """Spells of owners without icons that were more than a rebuild's
    moment: still empty at the end, or empty for longer than `limit` s."""
    return [spell for owner in owners for spell in empty_spells(all_changes, owner)
            if spell.end is None or spell.end - spell.start > limit]


def rebuild_count(all_changes, owner):
    """How many times owner's icons were all taken away and added anew."""
    return sum(1 for spell in empty_spells(all_changes, owner) if spell.end is not None)


def hidden_since(all_changes, owners, after_index):
    """Icons of these owners taken away after the first `after_index` changes."""
    return [change for change in all_changes[after_index:]
            if not change.shown and change.owner in owners]


# The robustness tests read the tray through this name; the shared reader
# takes window handles in any case.
TrayState = systray_trace.TrayTrace
