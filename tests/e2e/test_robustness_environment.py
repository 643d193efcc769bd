"""Unusual surroundings: no APPDATA (the settings go to C:\\conf01.dat), an
APPDATA far longer than any path, and a shell file that is not a program
with no drive D: for the failure log. The program must keep running with its
icons up, and write nothing but its own settings file."""

import os

from harness import disk_snapshot, env_launch, places, tray
from harness.copies_at_work import (ALL_DESKTOPS, COPIES, TRACE_CHANNELS, answer_error_box,
                                    exit_copy, start_traced, wait_copy_on, window_shown)
from harness.framework import e2e_test
from harness.prepared_start import settings_line
from harness.quorvane import (DEFAULT_DESKTOP, DIALOG_CLASS, ERROR_TITLE,
                              NEW_DESKTOPS, ErrorBoxAnswerer, app_processes, copies_by_desktop,
                              error_box_text, settings_path, system_text)
from harness.test_run import APP_PATH
from harness.tray_history import TrayState
from harness.waiting import wait_stable

FALLBACK_SETTINGS = r"C:\conf01.dat"
# ERROR_BAD_EXE_FORMAT, whose system text has an insert ("%1").
ERROR_BAD_EXE_FORMAT = 193
NOT_A_PROGRAM = b"This is a text file, not a program.\r\n"
# Longer than the longest path Windows takes (32767 characters).
LONG_APPDATA = 40000
SETTLE_TIMEOUT = 60
# Longer than the 3 s pause before each copy start, so a late box or copy
# cannot slip in after the check.
QUIET_PERIOD = 4.0
DEFAULT_ICONS = tray.icon_ids(2)


def start_without_appdata(ctx, session):
    """First start with no APPDATA: the file goes to C:\\, and the copies on
    the new desktops, which inherit the environment, use it too. Returns
    the tray trace and the copy on Default."""
    before = disk_snapshot.snapshot(session)
    launched = env_launch.launch(ctx.run, session, "quorvane-no-appdata", APP_PATH,
                                 unset=("APPDATA",), debug=TRACE_CHANNELS)
    assert launched.lengths.get("APPDATA", 0) is None, \
        f"APPDATA still reached the program: {launched.lengths}"
    trace = TrayState(launched.stderr_path)
    tray.wait_first_icons(trace)
    tray.wait_all_copies(trace, DEFAULT_ICONS, COPIES)
    fallback = session.read_file(FALLBACK_SETTINGS)
    assert fallback == settings_line(2), f"{FALLBACK_SETTINGS} holds {fallback!r}"
    assert not os.path.exists(settings_path(session)), "a settings file appeared in APPDATA"
    copy = wait_copy_on(session, DEFAULT_DESKTOP, pid=launched.pid)
    assert window_shown(session, copy), "no settings file existed, yet the window hid"

    with open(session.path(FALLBACK_SETTINGS), "wb") as stream:
        stream.write(b"4\r\n")
    tray.wait_all_copies(trace, tray.icon_ids(4), COPIES)
    # The shell stand-in logs each start it makes.
    allowed = [disk_snapshot.drive_c_path(session, path)
               for path in (FALLBACK_SETTINGS, ctx.run.shell_path + ".log")]
    changed = disk_snapshot.changed(before, disk_snapshot.snapshot(session), allowed)
    assert not changed, f"files changed besides the settings: {changed}"
    return trace, copy


def start_with_long_appdata(ctx, session, trace):
    """A start whose APPDATA is longer than any path: the settings can be
    neither read nor written. The write is reported, the copy comes up with
    two desktops like on a first run, and nothing is written anywhere."""
    written_before = session.read_file(FALLBACK_SETTINGS)
    before = disk_snapshot.snapshot(session)
    launched = env_launch.launch(ctx.run, session, "quorvane-long-appdata", APP_PATH,
                                 long_values={"APPDATA": LONG_APPDATA})
    assert launched.lengths.get("APPDATA") == LONG_APPDATA, \
        f"APPDATA that reached the program: {launched.lengths}"
    text = answer_error_box(session)
    with open(os.path.join(ctx.artifacts, "long-appdata-error.txt"), "w") as out:
        out.write(text + "\n")
    assert text, "the error box about the settings file is empty"
    copy = wait_copy_on(session, DEFAULT_DESKTOP, pid=launched.pid)
    tray.wait_icons(trace, copy.hwnd, DEFAULT_ICONS)
    assert window_shown(session, copy), "no settings file could be read, yet the window hid"
    assert session.read_file(FALLBACK_SETTINGS) == written_before, \
        "the copy with the long APPDATA wrote the fallback file"
    changed = disk_snapshot.changed(before, disk_snapshot.snapshot(session))
    assert not changed, f"files changed with the long APPDATA: {changed}"


@e2e_test(timeout=180)
def robust_settings_follow_appdata_when_unset_or_too_long(ctx):
    session = ctx.session()
    trace, copy = start_without_appdata(ctx, session)
    exit_copy(session, copy)
    start_with_long_appdata(ctx, session, trace)


def settle_answering_boxes(session, trace, answerer):
    """Answers "Error" boxes until a copy runs on every desktop, each
    showing the default icons, and nothing has changed for a while; returns
    the boxes answered."""

    def snapshot():
        answerer()
        copies = copies_by_desktop(app_processes(session, APP_PATH))
        trace.update()
        return (tuple((desktop, len(found)) for desktop, found in sorted(copies.items())),
                tuple(sorted(answerer.answered)),
                tuple(sorted(tuple(trace.icons_of(owner)) for owner in trace.owners())))

    def ready(value):
        copies, _, icons = value
        return all(count == 1 for _, count in copies) and \
            icons == (tuple(DEFAULT_ICONS),) * COPIES

    return wait_stable(snapshot, ready, QUIET_PERIOD, SETTLE_TIMEOUT, "start without shell")[1]


@e2e_test(timeout=150)
def robust_shell_that_cannot_start_without_drive_d_leaves_everything_running(ctx):
    session = ctx.session()
    drive_d = os.path.join(session.prefix, "dosdevices", "d:")
    if os.path.lexists(drive_d):
        os.remove(drive_d)
    with open(session.path(ctx.run.shell_path), "wb") as stream:
        stream.write(NOT_A_PROGRAM)
    before = disk_snapshot.snapshot(session)
    launched = start_traced(session, "quorvane")
    trace = TrayState(launched.stderr_path)
    box = places.wait_top(session, DEFAULT_DESKTOP, DIALOG_CLASS, ERROR_TITLE)
    # The system's own text, insert and all, never a made-up "Unknown error".
    text, expected = error_box_text(session, box), system_text(session, ERROR_BAD_EXE_FORMAT)
    assert text == expected, f"the error box says {text!r}, the system's text is {expected!r}"
    answered = settle_answering_boxes(session, trace, ErrorBoxAnswerer(session))
    assert len(answered) == len(NEW_DESKTOPS), \
        f"expected one error box per new desktop, answered {answered}"
    present = session.desktops()
    assert all(name in present for name in ALL_DESKTOPS), f"desktops: {present}"
    # With no drive D: the failure log goes nowhere: no logs.txt on C:.
    allowed = [disk_snapshot.relative(session, settings_path(session))]
    changed = disk_snapshot.changed(before, disk_snapshot.snapshot(session), allowed)
    assert not changed, f"files changed besides the settings: {changed}"
