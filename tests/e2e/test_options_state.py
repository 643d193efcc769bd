"""The options window keeps what the person left in it, Cancel undoes
nothing, and it shows the count in force: a count that came from another
copy moves the list, so OK pressed later keeps that count on every desktop.
A count typed into the box counts like the same choice from the list."""

import os

from harness import dialogs, tray
from harness.framework import e2e_test
from harness.options_user import COPIES, OptionsUser
from harness.prepared_start import settings_line, write_settings
from harness.quorvane import read_settings

# Empties the desktop box's one-character text wherever the caret is.
CLEAR_EDIT_KEYS = ("End", "BackSpace", "BackSpace")


def shown_settings(user):
    """(count shown in the desktop box, "Run at startup" ticked?)."""
    window = dialogs.options_window(user.session, user.copy.pid)
    combo = dialogs.control(user.session, window, dialogs.DESKTOP_COMBO)
    box = dialogs.control(user.session, window, dialogs.RUN_AT_STARTUP)
    return combo.text, box.state == 1


@e2e_test()
def options_window_keeps_what_the_user_left_and_ok_applies_it(ctx):
    user = OptionsUser(ctx, 2)
    session, x_input = user.session, user.x_input
    problems = []

    window = user.show_options()
    dialogs.set_run_at_startup(session, x_input, window, True)
    dialogs.choose_count(session, x_input, window, 3)
    dialogs.press(session, x_input, window, dialogs.IDCANCEL)
    user.wait_hidden()
    window = user.show_options()
    ctx.run.screenshot(os.path.join(ctx.artifacts, "reopened-after-cancel.png"))
    if shown_settings(user) != ("3", True):
        problems.append(f"after Cancel the window shows {shown_settings(user)}, "
                        "not the ('3', True) the person left")
    dialogs.set_run_at_startup(session, x_input, window, False)
    dialogs.choose_count(session, x_input, window, 2)
    dialogs.press(session, x_input, window, dialogs.IDCANCEL)
    user.wait_hidden()

    # Another copy (or a person) sets four desktops; this copy's tray and its
    # list follow, the check box keeps the person's last choice.
    write_settings(session, settings_line(4))
    tray.wait_all_copies(user.trace, tray.icon_ids(4), COPIES)
    window = user.show_options()
    ctx.run.screenshot(os.path.join(ctx.artifacts, "reopened-after-sync.png"))
    if shown_settings(user) != ("4", False):
        problems.append(f"after the count became 4 the window shows {shown_settings(user)}")
    stamp = user.settings_stamp()
    dialogs.press(session, x_input, window, dialogs.IDOK)
    user.wait_hidden()
    user.wait_written_since(stamp)
    if read_settings(session) != settings_line(4):
        problems.append(f"OK on the untouched window wrote {read_settings(session)!r}")
    assert not problems, "; ".join(problems)
    tray.wait_all_copies(user.trace, tray.icon_ids(4), COPIES)


@e2e_test()
def count_typed_into_the_desktop_box_counts_as_that_choice(ctx):
    user = OptionsUser(ctx, 2)
    session, x_input = user.session, user.x_input
    window = user.show_options()
    dialogs.click_control(session, x_input, window, dialogs.COMBO_EDIT)
    x_input.keys(*CLEAR_EDIT_KEYS, "4")
    assert shown_settings(user)[0] == "4", f"the box shows {shown_settings(user)[0]!r}"
    selected = dialogs.control(session, window, dialogs.DESKTOP_COMBO).state
    assert selected == -1, f"typing selected list item {selected}: the typed path is not tried"
    stamp = user.settings_stamp()
    x_input.keys("Return")
    user.wait_hidden()
    user.wait_written_since(stamp)
    ctx.run.screenshot(os.path.join(ctx.artifacts, "after-typed-4.png"))
    assert read_settings(session) == settings_line(4), \
        f"typing 4 and pressing Enter wrote {read_settings(session)!r}"
    tray.wait_icons(user.trace, user.copy.hwnd, tray.icon_ids(4))
