"""The About box: from the options window's system menu, where it is the
last entry, and from the tray menu, where it comes up alone and leaves the
hidden options window hidden. Exit chosen while it is open is final: the
icons stay away, and closing the box ends the copy."""

import os
import time

from harness import dialogs, places, shots, tray
from harness.framework import e2e_test
from harness.options_user import OptionsUser
from harness.prepared_start import settings_line, write_settings
from harness.quorvane import DEFAULT_DESKTOP, app_processes
from harness.test_run import APP_PATH
from harness.waiting import wait_until

# Long enough for a window the closing box wrongly re-showed to be seen.
STAYS_HIDDEN_FOR = 2.0
POLL_INTERVAL = 0.3
# Two ticks of the program's 3 s settings re-read, and some.
SYNC_TICKS_WAIT = 7.0
EXIT_TIMEOUT = 20


def check_stays_hidden(user):
    deadline = time.monotonic() + STAYS_HIDDEN_FOR
    while time.monotonic() < deadline:
        assert not user.options_visible(), "the options window came back"
        time.sleep(POLL_INTERVAL)


@e2e_test()
def about_box_from_the_system_menu_and_from_the_tray(ctx):
    user = OptionsUser(ctx, 2)
    session, x_input = user.session, user.x_input

    window = user.show_options()
    menu = dialogs.open_system_menu(session, x_input, window)
    shots.save_area(ctx.run, os.path.join(ctx.artifacts, "system-menu.png"),
                    shots.union(menu.rect, window.rect))
    # The last entry is the one Up reaches first; the box opening proves it
    # is "About Quorvane...".
    tray.choose(session, x_input, DEFAULT_DESKTOP, dialogs.ABOUT_ITEM_KEYS)
    box = dialogs.wait_about(session, user.copy.pid)
    ctx.run.screenshot(os.path.join(ctx.artifacts, "about-over-options.png"))
    assert user.options_visible(), "the options window went away under the About box"
    dialogs.close_about(session, x_input, box)
    assert user.options_visible(), "closing the About box hid the options window"

    dialogs.press(session, x_input, window, dialogs.IDCANCEL)
    user.wait_hidden()
    user.choose_in_tray_menu(tray.ABOUT_KEYS)
    box = dialogs.wait_about(session, user.copy.pid)
    assert not user.options_visible(), "About from the tray also showed the options window"
    assert places.find_top(session, DEFAULT_DESKTOP, places.POPUP_MENU_CLASS, visible=True) \
        is None, "a menu is still open over the About box"
    dialogs.close_about(session, x_input, box)
    check_stays_hidden(user)


def running(session, pid):
    return any(process.pid == pid for process in app_processes(session, APP_PATH))


@e2e_test()
def exit_while_the_about_box_is_open_is_final(ctx):
    user = OptionsUser(ctx, 2)
    session, x_input, copy = user.session, user.x_input, user.copy
    user.choose_in_tray_menu(tray.ABOUT_KEYS)
    box = dialogs.wait_about(session, copy.pid)
    # The About box's loop still answers the tray: its menu opens, and Exit runs.
    user.choose_in_tray_menu(tray.EXIT_KEYS)
    tray.wait_icons(user.trace, copy.hwnd, [])

    # A count another copy writes differs from this copy's, which a sync
    # tick that still ran would follow by putting icons up again.
    write_settings(session, settings_line(4))
    time.sleep(SYNC_TICKS_WAIT)
    icons = user.trace.update().icons_of(copy.hwnd)
    assert icons == [], f"icons came back after Exit: {icons}"
    assert running(session, copy.pid), "the copy ended with its About box still open"

    dialogs.close_about(session, x_input, box)
    wait_until(lambda: not running(session, copy.pid), EXIT_TIMEOUT,
               "end of the copy once its About box closed")
    icons = user.trace.update().icons_of(copy.hwnd)
    assert icons == [], f"the ended copy left icons: {icons}"
