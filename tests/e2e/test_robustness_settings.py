"""Settings files the program cannot use. A count is taken only when the
file's first line starts like a number from 1 to 4; anything else leaves a
starting copy at two desktops and a running copy where it was, and a file
the program cannot write is reported with the "Error" box, never changed
behind the user's back."""

import os
import time

from harness import file_reads, tray, tray_history
from harness.copies_at_work import (ALL_DESKTOPS, answer_error_box, exit_copy, running_pids,
                                    start_traced, wait_copy_on, wait_settled, window_shown)
from harness.disk_snapshot import windows_path
from harness.framework import e2e_test
from harness.prepared_start import settings_line, write_settings
from harness.quorvane import (DEFAULT_DESKTOP, SETTINGS_NAME, read_settings, settings_path,
                              system_text)
from harness.read_only import ReadOnly
from harness.test_run import APP_PATH
from harness.tray_history import TrayState
from harness.tray_keeper import TrayKeeper
from harness.waiting import WaitTimeout, wait_until

TEN_MB = 10 * 1024 * 1024
ERROR_ACCESS_DENIED = 5
DEFAULT_COUNT = 2
# Each copy reads the file every 3 s; this allows for a slow, shared machine.
READ_TIMEOUT = 12
# A copy that wrongly rebuilt after a read would have taken its icons away
# within this; the rebuild follows the read at once.
AFTER_READ = 0.5

# Files whose first line holds no count from 1 to 4.
UNUSABLE = (
    ("empty", b""),
    ("white space only", b" \t  \r\n\r\n"),
    ("letters", b"three\r\n"),
    ("minus one", b"-1\r\n"),
    ("zero", b"0\r\n"),
    ("five", b"5\r\n"),
    ("past the largest int", b"99999999999\r\n"),
    ("a 10 MB line", b"x" * TEN_MB + b"\r\n"),
    ("binary bytes", bytes(range(0x80, 0x100)) + b"\x00\x01\x02\x7f\r\n"),
    ("a NUL before the digit", b"\x003\r\n"),
    ("an end-of-file mark before the digit", b"\x1a3\r\n"),
    ("UTF-16 text", "3\r\n".encode("utf-16")),
)
# Read like "%d": leading white space, a sign, digits, and the rest ignored.
USABLE_WITH_JUNK = b" \t+4 desktops, and the rest of a long line" + b"y" * 5000 + b"\r\n"


def settings_windows_path(session):
    return windows_path(session, settings_path(session))


def make_directory_in_place(session):
    os.remove(settings_path(session))
    os.mkdir(settings_path(session))


def wait_opened_by_all(launched, offset, pids):
    wait_until(lambda: file_reads.all_opened(launched.stderr_path, offset, SETTINGS_NAME, pids),
               READ_TIMEOUT, f"a read of the settings file by each of {sorted(pids)}")


def check_reread_keeps_icons(session, launched, copies, name, put_in_place, expected_bytes):
    """Puts a file in place while every copy runs; returns a problem or
    None. The copies must read it and keep their icons, and the file must
    keep its bytes (or stay a directory)."""
    owners = {copy.hwnd for copy in copies.values()}
    seen_before = len(tray_history.read_changes(launched.stderr_path))
    put_in_place()
    offset = file_reads.trace_size(launched.stderr_path)
    try:
        wait_opened_by_all(launched, offset, {copy.pid for copy in copies.values()})
    except WaitTimeout as error:
        return f"{name}: {error}"
    time.sleep(AFTER_READ)
    taken = tray_history.hidden_since(tray_history.read_changes(launched.stderr_path), owners,
                                      seen_before)
    if taken:
        return f"{name}: icons taken away after the read: {taken}"
    held = read_settings(session) if expected_bytes is not None else None
    if expected_bytes is not None and held != expected_bytes:
        return f"{name}: the file changed to {held[:40]!r}"
    return None


@e2e_test(timeout=180)
def robust_unusable_settings_read_while_running_keep_every_copys_icons(ctx):
    session = ctx.session()
    launched = start_traced(session, "quorvane", settings=b"3\r\n",
                            relay_functions=(file_reads.OPEN_FUNCTION,))
    trace = TrayState(launched.stderr_path)
    copies = wait_settled(session, trace, 3)
    pids = {copy.pid for copy in copies.values()}
    problems = [check_reread_keeps_icons(session, launched, copies, name,
                                         lambda data=data: write_settings(session, data), data)
                for name, data in UNUSABLE]
    problems.append(check_reread_keeps_icons(session, launched, copies, "a directory",
                                             lambda: make_directory_in_place(session), None))
    if not os.path.isdir(settings_path(session)):
        problems.append("the directory in place of the file went away")
    os.rmdir(settings_path(session))
    problems = [problem for problem in problems if problem]
    assert not problems, "; ".join(problems)

    # Read-only, holding a count with junk after it: read, and followed.
    write_settings(session, USABLE_WITH_JUNK)
    with ReadOnly(session, settings_windows_path(session)):
        tray.wait_all_copies(trace, tray.icon_ids(4), len(ALL_DESKTOPS))
        assert read_settings(session) == USABLE_WITH_JUNK, "a copy wrote the read-only file"
    write_settings(session, b"1")
    tray.wait_all_copies(trace, tray.icon_ids(1), len(ALL_DESKTOPS))
    assert running_pids(session) == pids, f"copies running: {running_pids(session)}, " \
        f"started: {pids}"


def restart_default_copy(session, copy, label, data):
    """Exits the copy on Default (which writes the file), puts `data` in the
    file and starts the program there again; returns the new copy once its
    window exists."""
    exit_copy(session, copy)
    write_settings(session, data)
    session.start(APP_PATH, label)
    return wait_copy_on(session, DEFAULT_DESKTOP, not_pid=copy.pid)


def check_start_with(session, trace, copy, name, data):
    """Starts a new Default copy on an unusable file; returns (new copy,
    problem or None). It must show two icons, write the count back and hide
    its window, since a file was there."""
    new = restart_default_copy(session, copy, "start-" + name.replace(" ", "-"), data)
    try:
        tray.wait_icons(trace, new.hwnd, tray.icon_ids(DEFAULT_COUNT))
    except WaitTimeout as error:
        return new, f"{name}: {error}"
    if read_settings(session) != settings_line(DEFAULT_COUNT):
        return new, f"{name}: file holds {read_settings(session)[:40]!r} after start"
    if window_shown(session, new):
        return new, f"{name}: the window stayed up although a file was there"
    return new, None


@e2e_test(timeout=240)
def robust_unusable_settings_at_start_give_two_desktops(ctx):
    session = ctx.session()
    (first_name, first_data), *others = UNUSABLE
    launched = start_traced(session, "quorvane", settings=first_data)
    trace = TrayState(launched.stderr_path)
    copies = wait_settled(session, trace, DEFAULT_COUNT)
    problems = []
    if read_settings(session) != settings_line(DEFAULT_COUNT):
        problems.append(f"{first_name}: file holds {read_settings(session)!r} after start")
    copy = copies[DEFAULT_DESKTOP]
    with TrayKeeper(ctx.run, session, (DEFAULT_DESKTOP,), trace):
        for name, data in others:
            copy, problem = check_start_with(session, trace, copy, name, data)
            problems.append(problem)
        problems = [problem for problem in problems if problem]
        assert not problems, "; ".join(problems)
        copy = check_start_on_directory(session, trace, copy)
        check_start_on_read_only(ctx, session, trace, copy)


def check_start_on_directory(session, trace, copy):
    """A directory where the file belongs: it cannot be read (so this is a
    first run, and the window stays up) nor written (the "Error" box)."""
    exit_copy(session, copy)
    make_directory_in_place(session)
    session.start(APP_PATH, "start-directory")
    text = answer_error_box(session)
    expected = system_text(session, ERROR_ACCESS_DENIED)
    assert text == expected, f"the error box says {text!r}, expected {expected!r}"
    new = wait_copy_on(session, DEFAULT_DESKTOP, not_pid=copy.pid)
    tray.wait_icons(trace, new.hwnd, tray.icon_ids(DEFAULT_COUNT))
    assert window_shown(session, new), "with no readable file the window should stay up"
    assert os.path.isdir(settings_path(session)), "the directory went away"
    os.rmdir(settings_path(session))
    return new


def check_start_on_read_only(ctx, session, trace, copy):
    """A read-only file: its count is taken, the write is refused and
    reported, and the file keeps its bytes."""
    exit_copy(session, copy)
    data = b"3\r\n"
    write_settings(session, data)
    with ReadOnly(session, settings_windows_path(session)) as read_only:
        session.start(APP_PATH, "start-read-only")
        if read_only:
            text = answer_error_box(session)
            expected = system_text(session, ERROR_ACCESS_DENIED)
            assert text == expected, f"the error box says {text!r}, expected {expected!r}"
        else:
            ctx.skip_check("the settings file could not be made read-only for this user "
                           "(root without chattr)")
        new = wait_copy_on(session, DEFAULT_DESKTOP, not_pid=copy.pid)
        tray.wait_icons(trace, new.hwnd, tray.icon_ids(3))
        if read_only:
            assert read_settings(session) == data, \
                f"the file now holds {read_settings(session)!r}"
        assert not window_shown(session, new), "the window stayed up although a file was there"
