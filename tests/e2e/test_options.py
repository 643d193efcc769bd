"""The options window, opened from the tray menu and used with real clicks
and keys: OK applies the desktop count and "Run at startup", Cancel applies
nothing; and the removal command the README and ReadMe.txt give removes the
value that "Run at startup" wrote."""

import os

from harness import dialogs, run_key, tray
from harness.framework import e2e_test
from harness.options_user import OptionsUser
from harness.prepared_start import settings_line
from harness.quorvane import read_settings
from harness.test_run import APP_PATH

RUN_VALUE = f'"{APP_PATH}"'


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
