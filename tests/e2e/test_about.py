"""The About box: from the options window's system menu, where it is the
last entry, and from the tray menu, where it comes up alone and leaves the
hidden options window hidden."""

import os
import time

from harness import dialogs, places, shots, tray
from harness.framework import e2e_test
from harness.options_user import OptionsUser
from harness.quorvane import DEFAULT_DESKTOP

# Long enough for a window the closing box wrongly re-showed to be seen.
STAYS_HIDDEN_FOR = 2.0
POLL_INTERVAL = 0.3


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
