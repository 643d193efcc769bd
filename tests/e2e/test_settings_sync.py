"""The settings file that all copies share: a count written into it reaches
the tray of every copy, and the file keeps the exact bytes the program
writes, after start and after Exit."""

import os
import time

from harness import tray
from harness.framework import e2e_test
from harness.prepared_start import (default_copy, settings_line, start_traced,
                                    write_settings)
from harness.quorvane import DEFAULT_DESKTOP, NEW_DESKTOPS, read_settings
from harness.systray_trace import TrayTrace
from harness.tray_keeper import TrayKeeper
from harness.waiting import WaitTimeout
from harness.x_input import XInput

COPIES = 1 + len(NEW_DESKTOPS)
# Every copy reads the file every 3 s; the rest is for taking the old icons
# away and adding the new ones.
SYNC_LIMIT = 3.5
# Wine needs time of its own to redraw a tray; past this the test stops
# waiting and reports how late each copy was.
SYNC_GIVE_UP = 15
POLL_INTERVAL = 0.1
EDITED_LINE = b"4\r\n"
EXIT_TIMEOUT = 20


def seconds_until_shown(trace, owners, icon_ids, since):
    """owner -> seconds from `since` until it showed exactly icon_ids (None
    for a copy that had not when the test gave up)."""
    took = {}
    while len(took) < len(owners) and time.monotonic() - since < SYNC_GIVE_UP:
        trace.update()
        now = time.monotonic() - since
        for owner in owners:
            if owner not in took and trace.icons_of(owner) == icon_ids:
                took[owner] = now
        time.sleep(POLL_INTERVAL)
    return {owner: took.get(owner) for owner in owners}


def wait_file(session, expected):
    deadline = time.monotonic() + EXIT_TIMEOUT
    while read_settings(session) != expected:
        if time.monotonic() > deadline:
            raise WaitTimeout(f"settings file holds {read_settings(session)!r}, "
                              f"expected {expected!r}")
        time.sleep(POLL_INTERVAL)


@e2e_test()
def count_written_to_the_file_reaches_every_copy(ctx):
    session = ctx.session()
    write_settings(session, settings_line(2))
    launched = start_traced(session, "quorvane")
    trace = TrayTrace(launched.stderr_path)
    tray.wait_first_icons(trace)
    copy = default_copy(session)
    owners = tray.wait_all_copies(trace, tray.icon_ids(2), COPIES)
    assert copy.hwnd in owners, f"the Default copy {copy.hwnd} is not among {owners}"
    assert read_settings(session) == settings_line(2), \
        f"settings after start: {read_settings(session)!r}"

    with TrayKeeper(ctx.run, session, (DEFAULT_DESKTOP, *NEW_DESKTOPS), trace):
        # As a person with an editor would write it: plain CR LF. The
        # program's own bytes differ (CR CR LF), so the file after Exit shows
        # that it wrote.
        written = time.monotonic()
        write_settings(session, EDITED_LINE)
        took = seconds_until_shown(trace, owners, tray.icon_ids(4), written)
    with open(os.path.join(ctx.artifacts, "sync_seconds.txt"), "w") as out:
        out.write("".join(f"window {owner}: {seconds}\n" for owner, seconds in took.items()))
    late = {owner: seconds for owner, seconds in took.items()
            if seconds is None or seconds > SYNC_LIMIT}
    assert not late, f"copies that took longer than {SYNC_LIMIT}s (None: never): {late}; " \
        f"all: {took}"

    x_input = XInput(ctx.run.display)
    tray.open_menu(session, x_input, trace, DEFAULT_DESKTOP, copy.hwnd, tray.icon_id(1),
                   NEW_DESKTOPS)
    tray.choose(session, x_input, DEFAULT_DESKTOP, tray.EXIT_KEYS)
    tray.wait_icons(trace, copy.hwnd, [], timeout=EXIT_TIMEOUT)
    wait_file(session, settings_line(4))
