"""Using the notification area as a person does: pressing an icon of one
program window in one desktop's tray, and picking an item of the popup menu
that opens.

Wine puts every desktop's tray window (standalone, or a taskbar) at the same
spot on the one X display, so the tray of the desktop meant is raised before
each press."""

import time

from . import places
from .quorvane import DIALOG_CLASS, WINDOW_TITLE
from .wine_kind import TRAY_ICON_CLASSES, TRAY_WINDOW_CLASSES
from .waiting import WaitTimeout, wait_until
from .x_input import LEFT, RIGHT

# A first start makes three desktops, pausing 3 s after each shell start.
TRAY_TIMEOUT = 45
MENU_TIMEOUT = 10
# A menu that opened on another desktop shows well within this.
STRAY_MENU_WAIT = 4
MENU_TRIES = 3
RAISE_ATTEMPTS = 5
RAISE_RETRY_WAIT = 0.5
# Menu items, walked with the keyboard from "nothing selected": Down lands on
# the first item, Up wraps round to the last.
SHOW_OPTIONS_KEYS = ("Down", "Return")
ABOUT_KEYS = ("Down", "Down", "Return")
EXIT_KEYS = ("Up", "Return")
CLOSE_MENU_KEYS = ("Escape",)
# The program gives desktop k's icon the id 17 * k, and adds a count's icons
# from the highest desktop down, so the tray shows them in that order.
ICON_ID_STEP = 17
MOST_DESKTOPS = 4


def icon_id(desktop_number):
    return ICON_ID_STEP * desktop_number


def icon_ids(count):
    """The ids a window showing `count` desktops has, in tray order."""
    return [icon_id(number) for number in range(count, 0, -1)]


ALL_ICON_IDS = frozenset(icon_ids(MOST_DESKTOPS))

# The icons' callback message, and what the shell puts in its second
# parameter for the keys on an icon of the newer behaviour (and for the end
# of a click there).
TRAY_NOTIFY = 0xA123
NIN_SELECT = 0x0400
NIN_KEYSELECT = 0x0401
WM_CONTEXTMENU = 0x007B
# What a shell of that behaviour sends for each key on an icon.
ENTER = (NIN_KEYSELECT, NIN_KEYSELECT)
SPACE = (NIN_KEYSELECT,)
MENU_KEY = (WM_CONTEXTMENU,)


def post_key(session, desktop, icon_id, key_messages):
    """Posts the program's window on `desktop` what the shell sends it for a
    key on the icon, all in one go as the shell does. Wine's notification
    area takes no keyboard focus, so no key of a person's can reach it."""
    lparams = ",".join(str(message) for message in key_messages)
    posted = session.post_message(desktop, DIALOG_CLASS, WINDOW_TITLE, TRAY_NOTIFY, icon_id,
                                  lparams)
    assert len(posted) == 1, f"posted to {posted}, not to the one copy on {desktop}"


def wait_first_icons(trace, timeout=TRAY_TIMEOUT):
    """Waits for the first icon in any tray. Until then no probe may run: the
    first program to use a desktop starts its explorer, and only one started
    by the traced program logs the tray."""
    return wait_until(lambda: trace.update().owners(), timeout, "first tray icon")


def wait_icons(trace, owner, expected, timeout=TRAY_TIMEOUT):
    """Waits until owner shows exactly these icon ids, in this tray order."""
    expected = list(expected)
    try:
        wait_until(lambda: trace.update().icons_of(owner) == expected, timeout,
                   f"icons {expected} of window {owner}")
    except WaitTimeout as error:
        raise WaitTimeout(f"{error}; it shows {trace.icons_of(owner)}") from None


def _icon_windows(session, tray_window):
    icons = [child for child in places.children(session, tray_window.hwnd)
             if child.class_name in TRAY_ICON_CLASSES and child.visible]
    return sorted(icons, key=lambda child: child.rect.left)


def icon_place(session, trace, desktop, owner, icon_id):
    """(tray window, screen rect) of owner's icon icon_id on desktop."""
    trace.update()
    tray_pid, icons = trace.tray_of(owner)
    index = icons.index((owner, icon_id))
    tray = places.find_top(session, desktop, TRAY_WINDOW_CLASSES, pid=tray_pid, visible=True)
    assert tray is not None, f"no tray window of explorer {tray_pid} on {desktop}"
    windows = _icon_windows(session, tray)
    assert len(windows) == len(icons), \
        f"tray on {desktop} has {len(windows)} icon windows, the trace {len(icons)} icons"
    return tray, windows[index].rect


def press_icon(session, x_input, trace, desktop, owner, icon_id, button=LEFT, hold=False):
    """Raises the tray and presses the icon, once the pointer is seen to be
    on that tray: another desktop's tray that was just shown again (after
    its last icon went) may have come up on top meanwhile. With `hold`, the
    button stays down until the caller releases it."""
    tray, rect = icon_place(session, trace, desktop, owner, icon_id)
    spot = places.center(rect)
    for _ in range(RAISE_ATTEMPTS):
        x_input.raise_window(tray.x_window)
        x_input.move(*spot)
        if x_input.window_under_pointer() == tray.x_window:
            (x_input.hold if hold else x_input.click)(*spot, button=button)
            return
        time.sleep(RAISE_RETRY_WAIT)
    raise AssertionError(f"the tray of {desktop} stays covered at {spot}")


def visible_menu(session, desktop):
    return places.find_top(session, desktop, places.POPUP_MENU_CLASS, visible=True)


def wait_menu(session, desktop, timeout=MENU_TIMEOUT):
    return wait_until(lambda: visible_menu(session, desktop), timeout,
                      f"popup menu on {desktop}")


def open_menu(session, x_input, trace, desktop, owner, icon_id, other_desktops):
    """Right-presses the icon until its menu is open on `desktop`. Another
    desktop's tray can still come up over the raised one between the look
    and the press, and its copy then opens the menu on its own desktop: that
    menu is closed again, as a person would, and the press repeated. A menu
    that opens nowhere fails after the usual menu timeout."""
    for attempt in range(1, MENU_TRIES + 1):
        press_icon(session, x_input, trace, desktop, owner, icon_id, button=RIGHT)
        try:
            return wait_menu(session, desktop, STRAY_MENU_WAIT)
        except WaitTimeout:
            strays = _desktops_with_menu(session, other_desktops)
            if not strays:
                # Nothing opened elsewhere: a slow menu gets the rest of its time.
                return wait_menu(session, desktop, MENU_TIMEOUT - STRAY_MENU_WAIT)
            if attempt == MENU_TRIES:
                raise WaitTimeout(f"no popup menu on {desktop} after {attempt} presses; "
                                  f"menus opened instead on: {strays}") from None
            for other in strays:
                _close_stray_menu(session, x_input, other)


def _desktops_with_menu(session, desktops):
    """The desktops with an open popup menu. Read from the window style:
    Wine calls no window visible on a desktop other than the input one."""
    return [desktop for desktop in desktops
            if any(window.class_name == places.POPUP_MENU_CLASS and window.visible
                   for window in session.windows(desktop))]


def _close_stray_menu(session, x_input, desktop):
    menu = places.find_top(session, desktop, places.POPUP_MENU_CLASS)
    _send_to_menu(x_input, menu, CLOSE_MENU_KEYS)
    wait_until(lambda: not _desktops_with_menu(session, [desktop]), MENU_TIMEOUT,
               f"end of the popup menu on {desktop}")


def _send_to_menu(x_input, menu, keys):
    x_input.move((menu.rect.left + menu.rect.right) // 2, menu.rect.bottom - 1)
    x_input.keys(*keys)


def choose(session, x_input, desktop, keys):
    """Picks an item of the open popup menu with the keyboard. The pointer
    rests on the menu's bottom border, where it selects nothing, so the keys
    go to the menu: keys follow the pointer to the X window under it. (Not
    the top border: a tray menu opens at the pressed icon, and the tray
    window may cover the menu's top edge.)"""
    _send_to_menu(x_input, wait_menu(session, desktop), keys)
    places.wait_gone(session, desktop, places.POPUP_MENU_CLASS, timeout=MENU_TIMEOUT)


def wait_all_copies(trace, ids, copies, timeout=TRAY_TIMEOUT):
    """Waits until `copies` windows each show exactly the icons `ids`, each in a
    tray of its own (one copy per desktop); returns their handles. By then
    every copy has finished starting, and every desktop's tray window
    exists, so none can later cover the tray a test is about to press."""
    expected = list(ids)

    def settled():
        trace.update()
        owners = trace.owners(ALL_ICON_IDS)
        trays = {trace.tray_of(owner)[0] for owner in owners}
        ready = len(owners) == copies == len(trays)
        return ready and all(trace.icons_of(owner) == expected for owner in owners) and owners

    return wait_until(settled, timeout, f"{copies} copies showing icons {expected}")
