"""Copies on several desktops changing the desktop count at the same time,
each through its options window, for about a minute. They all write the
one settings file and read it every 3 s. When they stop, every copy must
show the count the file ended with, and no copy may ever be left without
icons: its icons may all be gone only for the moment of a rebuild, between
taking the old set away and adding the new one."""

import os

from harness import tray, tray_history
from harness.copies_at_work import (ALL_DESKTOPS, COPIES, running_pids, start_traced,
                                    wait_settled)
from harness.framework import e2e_test
from harness.options_driver import Churn
from harness.prepared_start import settings_line
from harness.quorvane import DEFAULT_DESKTOP, NEW_DESKTOPS, read_settings
from harness.tray_history import TrayState
from harness.tray_keeper import TrayKeeper
from harness.waiting import wait_stable

# (what, the desktops whose copies change the count, seconds)
PHASES = (
    ("two copies", (DEFAULT_DESKTOP, NEW_DESKTOPS[0]), 25),
    ("three copies", NEW_DESKTOPS, 35),
)
COUNTS = (2, 3, 4)  # what the options window offers
# A rebuild takes the icons away and adds the new ones straight after: a
# few milliseconds. A copy that waited for anything, such as its next read
# of the file 3 s later, would stay empty far longer than this.
REBUILD_MOMENT = 1.0
SYNC_TIMEOUT = 15
# OK hides the window first and writes the file after, and without a window
# manager Wine takes about 2 s to hide it: the driver sees the window gone
# before the last write. The file is taken as final once it has stayed the
# same for longer than that.
WRITE_QUIET = 3.5


def run_phase(ctx, session, copies, desktops, seconds, seed):
    """Lets the copies on `desktops` change the count at once; returns the
    counts each confirmed, in order."""
    churns = [Churn(ctx.run, session, desktop, copies[desktop].pid, seconds, seed + number)
              for number, desktop in enumerate(desktops)]
    try:
        return {churn.desktop: churn.wait() for churn in churns}
    finally:
        for churn in churns:
            churn.stop()


def settled_count(session, confirmed):
    """The count the settings file ended with, checked to be a whole line
    the program wrote, and one that a copy confirmed last."""
    lines = [settings_line(count) for count in COUNTS]
    held = wait_stable(lambda: read_settings(session), lambda data: data in lines, WRITE_QUIET,
                       SYNC_TIMEOUT, "settings file after the last OK")
    matching = [count for count in COUNTS if held == settings_line(count)]
    assert matching, f"the settings file ended up holding {held!r}"
    last = {counts[-1] for counts in confirmed.values() if counts}
    assert matching[0] in last, f"the file holds {matching[0]}, the last OKs were {last}"
    return matching[0]


@e2e_test(timeout=240)
def robust_copies_changing_the_count_together_agree_and_keep_their_icons(ctx):
    session = ctx.session()
    launched = start_traced(session, "quorvane", settings=settings_line(2))
    trace = TrayState(launched.stderr_path)
    copies = wait_settled(session, trace, 2)
    owners = {copy.hwnd for copy in copies.values()}
    pids = running_pids(session)
    with TrayKeeper(ctx.run, session, ALL_DESKTOPS, trace):
        for number, (what, desktops, seconds) in enumerate(PHASES):
            confirmed = run_phase(ctx, session, copies, desktops, seconds, 10 * (number + 1))
            assert all(confirmed.values()), f"{what}: a copy confirmed nothing: {confirmed}"
            count = settled_count(session, confirmed)
            tray.wait_all_copies(trace, tray.icon_ids(count), COPIES, timeout=SYNC_TIMEOUT)

    changes = tray_history.read_changes(launched.stderr_path)
    with open(os.path.join(ctx.artifacts, "empty_spells.txt"), "w") as out:
        for owner in sorted(owners):
            out.writelines(f"{spell}\n" for spell in tray_history.empty_spells(changes, owner))
    lasting = tray_history.lasting_empty_spells(changes, owners, REBUILD_MOMENT)
    assert not lasting, f"copies left without icons: {lasting}"
    idle = [owner for owner in owners if tray_history.rebuild_count(changes, owner) == 0]
    assert not idle, f"copies that never rebuilt their icons: {idle}"
    assert running_pids(session) == pids, "a copy ended"
