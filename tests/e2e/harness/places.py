"""Where windows and controls are on the screen, read by the window_places
probe, so tests can aim real X input at them and see what a person sees."""

from collections import namedtuple

from . import probes
from .waiting import wait_until

PROBE = "window_places"
# The probe is built with the others: the run builds every entry of this table.
probes.PROBES.setdefault(PROBE, [])

Rect = namedtuple("Rect", "left top right bottom")
TopWindow = namedtuple("TopWindow", "hwnd pid visible class_name title x_window rect")
Control = namedtuple("Control", "hwnd control_id visible class_name text state rect")

POPUP_MENU_CLASS = "#32768"
NO_STATE = "-"
WINDOW_TIMEOUT = 20


def center(rect):
    return (rect.left + rect.right) // 2, (rect.top + rect.bottom) // 2


def _rows(text, width):
    for line in text.splitlines():
        fields = line.rstrip("\r").split("\t")
        if len(fields) == width:
            yield fields


def _rect(fields):
    return Rect(*(int(value) for value in fields))


def parse_top(text):
    return [TopWindow(int(hwnd), int(pid), visible == "1", class_name, title, int(x_window, 16),
                      _rect(edges))
            for hwnd, pid, visible, class_name, title, x_window, *edges in _rows(text, 10)]


def parse_children(text):
    return [Control(int(hwnd), int(control_id), visible == "1", class_name, text,
                    None if state == NO_STATE else int(state), _rect(edges))
            for hwnd, control_id, visible, class_name, text, state, *edges in _rows(text, 10)]


def top_windows(session, desktop):
    return parse_top(session.probe(PROBE, "top", desktop))


def children(session, hwnd):
    return parse_children(session.probe(PROBE, "children", str(hwnd)))


def find_top(session, desktop, class_name, title=None, pid=None, visible=None):
    """The first matching top-level window, or None. None leaves a field open;
    class_name is one name or a tuple of names any of which matches."""
    class_names = (class_name,) if isinstance(class_name, str) else class_name
    for window in top_windows(session, desktop):
        if (window.class_name in class_names and title in (None, window.title)
                and pid in (None, window.pid) and visible in (None, window.visible)):
            return window
    return None


def wait_top(session, desktop, class_name, title=None, pid=None, visible=True,
             timeout=WINDOW_TIMEOUT):
    return wait_until(lambda: find_top(session, desktop, class_name, title, pid, visible),
                      timeout, f"{class_name} {title or ''} window on {desktop}".replace("  ", " "))


def wait_gone(session, desktop, class_name, title=None, pid=None, timeout=WINDOW_TIMEOUT):
    """Waits until no visible matching window is left."""
    wait_until(lambda: find_top(session, desktop, class_name, title, pid, True) is None,
               timeout, f"end of the visible {class_name} {title or ''} window on {desktop}")


def control(session, hwnd, control_id, class_name=None):
    """The child control with this id (and class), or AssertionError."""
    for child in children(session, hwnd):
        if child.control_id == control_id and class_name in (None, child.class_name):
            return child
    raise AssertionError(f"window {hwnd} has no control {control_id} {class_name or ''}")
