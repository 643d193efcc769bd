"""Using Quorvane's options window and About box with real clicks and keys,
and reading back what their controls show."""

from . import places
from .quorvane import DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE
from .tray import wait_menu
from .waiting import wait_until

ABOUT_TITLE = "About Quorvane"
IDOK = 1
IDCANCEL = 2
RUN_AT_STARTUP = (1001, "Button")
DESKTOP_COMBO = (1002, "ComboBox")
# The edit field inside the combo box; Wine gives it the id 1001 as well.
COMBO_EDIT = (1001, "Edit")
FIRST_COUNT = 2  # the combo lists "2", "3", "4"
CONTROL_TIMEOUT = 5
DIALOG_TIMEOUT = 20
# A box that has just opened under Xvfb can miss the first click on OK.
CLOSE_ATTEMPTS = 3
CLOSE_WAIT = 4
SYSTEM_MENU_KEYS = ("alt+space",)
ABOUT_ITEM_KEYS = ("Up", "Return")  # the last item of the system menu


def options_window(session, pid, visible=None):
    return places.find_top(session, DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, pid, visible)


def wait_options_shown(session, pid, timeout=DIALOG_TIMEOUT):
    return places.wait_top(session, DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, pid,
                           timeout=timeout)


def wait_options_hidden(session, pid, timeout=DIALOG_TIMEOUT):
    places.wait_gone(session, DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, pid, timeout)


def control(session, window, which):
    control_id, class_name = which
    return places.control(session, window.hwnd, control_id, class_name)


def _wait_state(session, window, which, state):
    wait_until(lambda: control(session, window, which).state == state, CONTROL_TIMEOUT,
               f"state {state} of control {which}")


def click_control(session, x_input, window, which):
    x_input.click(*places.center(control(session, window, which).rect))


def choose_count(session, x_input, window, count):
    """Picks a count in the desktop list as a person would: click into the
    box, then step with the arrow keys, which select list entries."""
    click_control(session, x_input, window, COMBO_EDIT)
    wanted = count - FIRST_COUNT
    steps = wanted - control(session, window, DESKTOP_COMBO).state
    if steps:
        x_input.keys(*(["Down"] * steps if steps > 0 else ["Up"] * -steps))
    _wait_state(session, window, DESKTOP_COMBO, wanted)


def set_run_at_startup(session, x_input, window, ticked):
    box = control(session, window, RUN_AT_STARTUP)
    if (box.state == 1) != ticked:
        x_input.click(*places.center(box.rect))
    _wait_state(session, window, RUN_AT_STARTUP, int(ticked))


def press(session, x_input, window, button_id):
    click_control(session, x_input, window, (button_id, "Button"))


def rest_pointer_on(session, x_input, window):
    """Puts the pointer on the window's bare background, between OK and
    Cancel, so keys reach this desktop without touching a control."""
    ok = control(session, window, (IDOK, "Button"))
    cancel = control(session, window, (IDCANCEL, "Button"))
    x_input.move((ok.rect.right + cancel.rect.left) // 2, places.center(ok.rect)[1])


def open_system_menu(session, x_input, window):
    rest_pointer_on(session, x_input, window)
    x_input.keys(*SYSTEM_MENU_KEYS)
    return wait_menu(session, DEFAULT_DESKTOP)


def wait_about(session, pid=None):
    return places.wait_top(session, DEFAULT_DESKTOP, DIALOG_CLASS, ABOUT_TITLE, pid)


def close_about(session, x_input, box):
    for _ in range(CLOSE_ATTEMPTS):
        press(session, x_input, box, IDOK)
        try:
            places.wait_gone(session, DEFAULT_DESKTOP, DIALOG_CLASS, ABOUT_TITLE,
                             timeout=CLOSE_WAIT)
            return
        except AssertionError:
            continue
    raise AssertionError("the About box did not close on OK")
