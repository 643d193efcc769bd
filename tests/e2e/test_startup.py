"""Start-up as a user sees it: the options window, the settings file, the
extra desktops each getting one shell and one hidden copy of the program,
and a shell that ends there being started again."""

import os
import shutil
import time

from harness import relay, shell_restart
from harness.framework import e2e_test
from harness.probes import Start
from harness import places
from harness.quorvane import (DEFAULT_DESKTOP, DEFAULT_SETTINGS, DIALOG_CLASS,
                              ERROR_FILE_NOT_FOUND, ERROR_TITLE, NEW_DESKTOPS, QUIET_PERIOD,
                              WINDOW_TIMEOUT, WINDOW_TITLE, WM_ENDSESSION, WM_QUERYENDSESSION,
                              ErrorBoxAnswerer, StartObserver,
                              app_windows, copies_by_desktop, desktop_name, error_box_text,
                              pauses_before_copies, read_settings, system_text,
                              wait_for_app_window)
from harness.test_run import APP_PATH
from harness.waiting import WaitTimeout, wait_until

# The window must still be up this long after start: well past the 5 ms
# start-up timer that hides it on later starts.
STAYS_VISIBLE_FOR = 4.0
HIDE_TIMEOUT = 10
RELAY_TIMEOUT = 20
SPACED_PATH = r"C:\Program Files\Quorvane Test\Quorvane.exe"
# Where an unquoted command line for SPACED_PATH would start something else.
DECOYS = (r"C:\Program.exe", r"C:\Program Files\Quorvane.exe")
SHELL_FAILURE_LINE = b"Can't run explorer\r\r\n"
# The program waits 3 s after starting (or failing to start) a shell before
# it starts the copy. The trace's clock ticks coarsely, so allow a little
# under; the upper bound only catches a pause far off the intended one.
PAUSE_BEFORE_COPY = (2.8, 5.0)
# Long enough to cover the pauses of a first start that makes all three
# desktops, from the moment its window is found.
ANSWER_WATCH_SECONDS = 9
WM_NULL = 0
# An ended shell is looked for at the program's 3 s settings tick; Wine's
# process start comes on top.
RESTART_WITHIN = 8
# Restarts of one desktop's shell the program makes within 2 minutes at most.
MOST_RESTARTS = 3
# While this file sits beside the recording stand-in, a started stand-in
# ends at once, as a broken shell would.
END_AT_ONCE = ".end"


def quoted(path):
    return f'"{path}"'


def window_by_hwnd(session, desktop, hwnd):
    return next((w for w in app_windows(session, desktop) if w.hwnd == hwnd), None)


def wait_hidden(session, desktop, window):
    def hidden():
        current = window_by_hwnd(session, desktop, window.hwnd)
        return current is not None and not current.visible

    wait_until(hidden, HIDE_TIMEOUT, f"hidden Quorvane window (pid {window.pid}) on {desktop}")


def check_one_copy_each(session, processes, app_path):
    """Every new desktop runs exactly one copy, started from app_path, whose
    window is hidden because the settings file existed by then."""
    copies = copies_by_desktop(processes)
    for desktop, found in copies.items():
        assert len(found) == 1, f"{desktop}: expected one Quorvane copy, found {found}"
        copy = found[0]
        assert copy.command_line.lower() == quoted(app_path).lower(), \
            f"{desktop}: copy started as {copy.command_line!r}"
        window = wait_for_app_window(session, desktop, pid=copy.pid)
        wait_hidden(session, desktop, window)


def check_pauses(launched, app_path, shell_path):
    """Each copy start came about 3 s after its desktop's shell start (or
    after the error box about it was answered)."""
    calls = relay.parse(launched.stderr_text())
    pauses = pauses_before_copies(calls, app_path, shell_path)
    assert len(pauses) == len(NEW_DESKTOPS), f"copy starts in the trace: {pauses}"
    low, high = PAUSE_BEFORE_COPY
    assert all(p is not None and low <= p <= high for p in pauses), \
        f"pauses before starting the copies: {pauses} (expected {low}..{high}s)"


def check_desktops_exist(session):
    present = session.desktops()
    missing = [name for name in NEW_DESKTOPS if name not in present]
    assert not missing, f"desktops missing: {missing} (present: {present})"


@e2e_test()
def first_start_shows_window_and_writes_settings(ctx):
    session = ctx.session()
    started = time.monotonic()
    session.start(APP_PATH, "quorvane")
    window = wait_for_app_window(session, DEFAULT_DESKTOP)
    time.sleep(max(0.0, started + STAYS_VISIBLE_FOR - time.monotonic()))
    current = window_by_hwnd(session, DEFAULT_DESKTOP, window.hwnd)
    assert current is not None, "the Quorvane window went away"
    assert current.visible, "the Quorvane window hid itself on the very first start"
    settings = read_settings(session)
    assert settings == DEFAULT_SETTINGS, f"settings file holds {settings!r}"


def check_answers_throughout(session):
    """The window takes its messages while the desktops are made: a send
    is answered within 1 s each time, also during the pauses."""
    answers = session.send_message(DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, WM_NULL,
                                   ANSWER_WATCH_SECONDS)
    assert len(answers) == 1 and answers[0].sends > ANSWER_WATCH_SECONDS, \
        f"sends to the Quorvane window: {answers}"
    assert answers[0].unanswered == 0, \
        f"the window left {answers[0].unanswered} of {answers[0].sends} sends unanswered for 1 s"


@e2e_test()
def first_start_gives_each_new_desktop_a_shell_and_a_copy(ctx):
    session = ctx.session()
    launched = session.start(APP_PATH, "quorvane", relay=True)
    wait_for_app_window(session, DEFAULT_DESKTOP)
    check_answers_throughout(session)
    processes, starts = StartObserver(session, APP_PATH, ctx.run.shell_path).wait_settled()
    check_desktops_exist(session)
    expected = sorted(Start(name, quoted(ctx.run.shell_path)) for name in NEW_DESKTOPS)
    assert sorted(starts) == expected, f"shell starts: {list(starts)}"
    check_one_copy_each(session, processes, APP_PATH)
    check_pauses(launched, APP_PATH, ctx.run.shell_path)


@e2e_test()
def second_start_opens_the_existing_desktops_and_starts_nothing(ctx):
    session = ctx.session()
    session.start(APP_PATH, "first")
    observer = StartObserver(session, APP_PATH, ctx.run.shell_path)
    processes, starts = observer.wait_settled()
    known = {window.hwnd for window in app_windows(session, DEFAULT_DESKTOP)}

    second = session.start(APP_PATH, "second", relay=True)
    window = wait_until(
        lambda: next((w for w in app_windows(session, DEFAULT_DESKTOP) if w.hwnd not in known),
                     None), WINDOW_TIMEOUT, "window of the second start")

    def all_opened():
        calls = relay.parse(second.stderr_text())
        answered = {call.strings[0] for call in relay.calls_to(calls, "OpenDesktopW")
                    if call.retval is not None and call.strings}
        return set(NEW_DESKTOPS) <= answered

    wait_until(all_opened, RELAY_TIMEOUT, "OpenDesktopW answers in the relay trace")
    opened_at = time.monotonic()
    wait_hidden(session, DEFAULT_DESKTOP, window)
    # Anything the second start wrongly did next would show up within this.
    time.sleep(max(0.0, opened_at + QUIET_PERIOD - time.monotonic()))

    calls = relay.parse(second.stderr_text())
    for name in NEW_DESKTOPS:
        opens = [c for c in relay.calls_to(calls, "OpenDesktopW") if c.strings[:1] == [name]]
        assert opens and all(c.succeeded for c in opens), f"OpenDesktopW({name}): {opens}"
    for function in ("CreateDesktopW", "CreateProcessW"):
        made = relay.calls_to(calls, function)
        assert not made, f"second start called {function}: {[c.raw[0] for c in made]}"
    now_running, now_started = observer.snapshot()
    assert copies_by_desktop(now_running) == copies_by_desktop(processes), \
        "the second start started another copy"
    assert now_started == starts, "the second start started another shell"


@e2e_test()
def start_from_a_path_with_spaces(ctx):
    session = ctx.session()
    target = session.path(SPACED_PATH)
    os.makedirs(os.path.dirname(target))
    shutil.copy(session.path(APP_PATH), target)
    for decoy in DECOYS:
        session.install_recorder(decoy)
    session.start(SPACED_PATH, "quorvane")

    def check_decoys():
        for decoy in DECOYS:
            assert not session.starts_logged(decoy), \
                f"{decoy} was started: {session.starts_logged(decoy)}"

    try:
        processes, _ = StartObserver(session, SPACED_PATH, ctx.run.shell_path).wait_settled()
    except WaitTimeout:
        check_decoys()  # the likelier reason for copies that never came
        raise
    check_decoys()
    check_one_copy_each(session, processes, SPACED_PATH)


def run_without_shell(ctx, session):
    """Starts the program with the shell file gone, answers every "Error"
    box, and checks the start still goes on: one box per new desktop, each
    with the system's text for the missing file, and about 3 s after each
    is answered, a copy started on that desktop."""
    os.remove(session.path(ctx.run.shell_path))
    launched = session.start(APP_PATH, "quorvane", relay=True)
    box = places.wait_top(session, DEFAULT_DESKTOP, DIALOG_CLASS, ERROR_TITLE,
                          timeout=WINDOW_TIMEOUT)
    shown, expected = error_box_text(session, box), system_text(session, ERROR_FILE_NOT_FOUND)
    assert shown == expected, f"the error box says {shown!r}, the system's text is {expected!r}"
    answerer = ErrorBoxAnswerer(session)
    wait_until(lambda: answerer() or answerer.answered, WINDOW_TIMEOUT, "answered error box")
    processes, _ = StartObserver(session, APP_PATH, ctx.run.shell_path).wait_settled(
        on_poll=answerer)
    check_desktops_exist(session)
    check_one_copy_each(session, processes, APP_PATH)
    assert len(answerer.answered) == len(NEW_DESKTOPS), \
        f"expected one error box per new desktop, answered {sorted(answerer.answered)}"
    check_pauses(launched, APP_PATH, ctx.run.shell_path)


@e2e_test()
def missing_shell_is_reported_and_logged_on_drive_d(ctx):
    session = ctx.session()
    log_path = failure_log_on_drive_d(session)
    run_without_shell(ctx, session)
    log = read_bytes(log_path)
    assert log == SHELL_FAILURE_LINE * len(NEW_DESKTOPS), f"d:\\logs.txt holds {log!r}"


@e2e_test()
def missing_shell_without_drive_d_goes_on(ctx):
    session = ctx.session()
    drive_d = os.path.join(session.prefix, "dosdevices", "d:")
    if os.path.lexists(drive_d):
        os.remove(drive_d)
    run_without_shell(ctx, session)


def failure_log_on_drive_d(session):
    """Gives the prefix a drive D: of the test's own; returns where the
    failure log lands on it."""
    drive_d = os.path.join(session.root, "drive_d")
    os.makedirs(drive_d)
    session.map_drive("d", drive_d)
    return os.path.join(drive_d, "logs.txt")


def read_bytes(path):
    with open(path, "rb") as stream:
        return stream.read()


def stand_ins(session, shell_path, desktop):
    """Process ids of the recording stand-in shells running on desktop."""
    return [p.pid for p in session.processes()
            if p.image.lower() == shell_path.lower() and desktop_name(p) == desktop]


def end_the_shell(session, shell_path, desktop):
    running = stand_ins(session, shell_path, desktop)
    assert len(running) == 1, f"stand-in shells on {desktop}: {running}"
    shell_restart.end_process(session, running[0])
    return running[0]


@e2e_test()
def a_shell_ended_on_a_new_desktop_is_started_again_there_but_not_forever(ctx):
    session = ctx.session()
    log_path = failure_log_on_drive_d(session)
    shell_path = ctx.run.shell_path
    desktop = NEW_DESKTOPS[0]
    session.start(APP_PATH, "quorvane")
    observer = StartObserver(session, APP_PATH, shell_path)
    processes, starts = observer.wait_settled()
    again = Start(desktop, quoted(shell_path))

    def new_starts():
        return session.starts_logged(shell_path)[len(starts):]

    ended = end_the_shell(session, shell_path, desktop)
    wait_until(new_starts, RESTART_WITHIN, f"new shell start after ending {ended}")
    # Long enough for a second look at the ended shell to start another.
    time.sleep(QUIET_PERIOD)
    assert new_starts() == [again], f"shell starts after ending the one on {desktop}: " \
        f"{new_starts()}"
    now_running, _ = observer.snapshot()
    assert copies_by_desktop(now_running) == copies_by_desktop(processes), \
        "the restart started another copy of the program"
    assert ended not in stand_ins(session, shell_path, desktop)

    # While Windows asks whether the session may end, a shell that ends is
    # on its way out with the session: started again only once the
    # sign-out is called off.
    session.send_message(DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, WM_QUERYENDSESSION, 1)
    end_the_shell(session, shell_path, desktop)
    time.sleep(RESTART_WITHIN)
    assert new_starts() == [again], f"shell starts while the session may end: {new_starts()}"
    session.send_message(DEFAULT_DESKTOP, DIALOG_CLASS, WINDOW_TITLE, WM_ENDSESSION, 1)
    wait_until(lambda: len(new_starts()) == 2, RESTART_WITHIN,
               "the shell started again once the sign-out was called off")

    # A shell that ends at once is started again until the budget is spent
    # (the restarts above count), then left, with one line in the log.
    with open(session.path(shell_path + END_AT_ONCE), "wb"):
        pass
    end_the_shell(session, shell_path, desktop)
    wait_until(lambda: os.path.exists(log_path), MOST_RESTARTS * RESTART_WITHIN,
               "the failure log after the shell kept ending")
    time.sleep(QUIET_PERIOD)
    assert new_starts() == [again] * MOST_RESTARTS, \
        f"shell starts after it kept ending: {new_starts()}"
    log = read_bytes(log_path)
    assert log == SHELL_FAILURE_LINE, f"d:\\logs.txt holds {log!r}"
    now_running, _ = observer.snapshot()
    assert copies_by_desktop(now_running) == copies_by_desktop(processes), \
        "the restarts started another copy of the program"
