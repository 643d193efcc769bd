"""The options window, opened from the tray menu and used with real clicks
and keys: OK applies the desktop count and "Run at startup", Cancel applies
nothing, and a Run key the user may not write costs the count nothing; and
the removal command the README and ReadMe.txt give removes the value that
"Run at startup" wrote."""

import os
import time

from harness import dialogs, places, run_key, tray
from harness.framework import e2e_test
from harness.options_user import OptionsUser
from harness.prepared_start import settings_line
from harness.quorvane import (DEFAULT_DESKTOP, DIALOG_CLASS, ERROR_TITLE, ErrorBoxAnswerer,
                              error_box_text, read_settings, system_text)
from harness.test_run import APP_PATH
from harness.waiting import wait_until

RUN_VALUE = f'"{APP_PATH}"'
ERROR_ACCESS_DENIED = 5
# The program rereads the settings file every 3 s: this long covers a tick.
PAST_A_SYNC_TICK = 4.5
ANSWER_TIMEOUT = 20


@e2e_test()
def options_ok_applies_the_count_and_autostart_cancel_applies_nothing(ctx):
    user = OptionsUser(ctx, 2)
    session, x_input = user.session, user.x_input
    assert run_key.run_value(session) is None, "a fresh prefix already has a Run value"

    window = user.show_options()
    ctx.run.screenshot(os.path.join(ctx.artifacts, "options.png"))
    dialogs.choose_count(session, x_input, window, 4)
    x_input.keys("Return")
    user.wait_hidden()
    tray.wait_icons(user.trace, user.copy.hwnd, tray.icon_ids(4))
    user.wait_file(settings_line(4))

    window = user.show_options()
    dialogs.set_run_at_startup(session, x_input, window, True)
    dialogs.press(session, x_input, window, dialogs.IDOK)
    user.wait_hidden()
    user.wait_run_value(RUN_VALUE)

    window = user.show_options()
    dialogs.set_run_at_startup(session, x_input, window, False)
    dialogs.choose_count(session, x_input, window, 3)
    dialogs.press(session, x_input, window, dialogs.IDCANCEL)
    user.wait_hidden()
    assert run_key.run_value(session) == RUN_VALUE, "Cancel changed the Run value"
    assert read_settings(session) == settings_line(4), \
        f"Cancel changed the settings file: {read_settings(session)!r}"
    assert user.trace.update().icons_of(user.copy.hwnd) == tray.icon_ids(4), \
        "Cancel changed the tray icons"

    window = user.show_options()
    dialogs.set_run_at_startup(session, x_input, window, False)
    dialogs.choose_count(session, x_input, window, 4)
    dialogs.press(session, x_input, window, dialogs.IDOK)
    user.wait_hidden()
    user.wait_run_value(None)
    user.wait_file(settings_line(4))

    # Each document's command, typed at a prompt, removes the value a user
    # registered; a document that loses the command or its 32-bit view fails.
    for document, commands in run_key.documented_removal_commands().items():
        assert commands, f"{document} gives no command for removing the Run value"
        for command in commands:
            assert run_key.THIRTY_TWO_BIT_VIEW in command, \
                f"{document}: {command!r} misses the 32-bit view on 64-bit Windows"
            window = user.show_options()
            dialogs.set_run_at_startup(session, x_input, window, True)
            dialogs.press(session, x_input, window, dialogs.IDOK)
            user.wait_hidden()
            user.wait_run_value(RUN_VALUE)
            run_key.type_at_prompt(session, run_key.for_this_build(command))
            assert run_key.run_value(session) is None, \
                f"{document}: {command!r} left the Run value in place"


@e2e_test()
def a_count_chosen_with_a_refused_run_key_survives_the_error_box(ctx):
    """A user without administrator rights picks 4 and ticks "Run at
    startup": OK shows the "Error" box, and a sync tick arrives while the
    user reads it. The icons, the list and the file all end with 4."""
    user = OptionsUser(ctx, 2)
    session, x_input = user.session, user.x_input
    run_key.deny_writes(session)
    window = user.show_options()
    dialogs.choose_count(session, x_input, window, 4)
    dialogs.set_run_at_startup(session, x_input, window, True)
    dialogs.press(session, x_input, window, dialogs.IDOK)

    box = places.wait_top(session, DEFAULT_DESKTOP, DIALOG_CLASS, ERROR_TITLE, user.copy.pid)
    expected = system_text(session, ERROR_ACCESS_DENIED)
    assert error_box_text(session, box) == expected, "the box does not say access is denied"
    time.sleep(PAST_A_SYNC_TICK)
    assert user.trace.update().icons_of(user.copy.hwnd) == tray.icon_ids(4), \
        "a sync tick inside the Error box took the old count back"
    answerer = ErrorBoxAnswerer(session)
    wait_until(lambda: answerer() or answerer.answered, ANSWER_TIMEOUT, "answered Error box")

    user.wait_hidden()
    user.wait_file(settings_line(4))
    time.sleep(PAST_A_SYNC_TICK)
    assert user.trace.update().icons_of(user.copy.hwnd) == tray.icon_ids(4), \
        "the icons went back to the old count after the box"
    assert read_settings(session) == settings_line(4), \
        f"the settings file went back to {read_settings(session)!r}"
    assert run_key.run_value(session) is None, "a refused Run key got a value"
    window = user.show_options()
    assert dialogs.control(session, window, dialogs.DESKTOP_COMBO).state == \
        4 - dialogs.FIRST_COUNT, "the list no longer shows the chosen count"
