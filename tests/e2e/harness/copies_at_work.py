"""The program running in a session with every copy traced: started with a
settings file in place, its calls and every desktop's notification area
logged with timestamps, and each copy's window, process and desktop known.
The robustness tests build on this."""

from collections import namedtuple

from . import places, tray, wine
from .prepared_start import write_settings
from .quorvane import (DEFAULT_DESKTOP, DIALOG_CLASS, ERROR_TITLE, NEW_DESKTOPS, WINDOW_TITLE,
                       WM_COMMAND, ErrorBoxAnswerer, app_processes, error_box_text)
from .test_run import APP_PATH, RELAY_FUNCTIONS
from .waiting import wait_until

TRACE_CHANNELS = "+timestamp,+pid,+relay,+systray"
ALL_DESKTOPS = (DEFAULT_DESKTOP, *NEW_DESKTOPS)
COPIES = len(ALL_DESKTOPS)
EXIT_COMMAND = 32772  # the tray menu's "Exit"
EXIT_TIMEOUT = 20

Copy = namedtuple("Copy", "desktop pid hwnd")


def start_traced(session, label, settings=None, relay_functions=()):
    """Starts the program, with `settings` as the file's bytes if given, and
    traces it and everything it starts. relay_functions add to the calls
    the template traces. It must be the session's first program, so that
    Default's notification area is started by it and traced too."""
    if settings is not None:
        write_settings(session, settings)
    if relay_functions:
        wine.set_relay_functions(session.env, (*RELAY_FUNCTIONS, *relay_functions))
    saved = session.env
    session.env = dict(saved, WINEDEBUG=TRACE_CHANNELS)
    try:
        return session.start(APP_PATH, label)
    finally:
        session.env = saved


def copy_on(session, desktop, pid=None):
    window = places.find_top(session, desktop, DIALOG_CLASS, WINDOW_TITLE, pid)
    return window and Copy(desktop, window.pid, window.hwnd)


def wait_copy_on(session, desktop, pid=None, not_pid=None, timeout=places.WINDOW_TIMEOUT):
    def found():
        copy = copy_on(session, desktop, pid)
        return copy if copy and copy.pid != not_pid else None

    return wait_until(found, timeout, f"Quorvane window on {desktop}")


def all_copies(session):
    """desktop -> Copy, for every desktop that has one."""
    found = {desktop: copy_on(session, desktop) for desktop in ALL_DESKTOPS}
    return {desktop: copy for desktop, copy in found.items() if copy}


def wait_settled(session, trace, count):
    """Waits until a copy on each desktop shows `count` icons; returns
    desktop -> Copy."""
    tray.wait_first_icons(trace)
    owners = tray.wait_all_copies(trace, tray.icon_ids(count), COPIES)
    return wait_until(lambda: _copies_of(session, owners), places.WINDOW_TIMEOUT,
                      "a window for each icon owner")


def _copies_of(session, owners):
    copies = all_copies(session)
    return copies if {copy.hwnd for copy in copies.values()} == set(owners) else None


def running_pids(session):
    return {process.pid for process in app_processes(session, APP_PATH)}


def exit_copy(session, copy):
    """Chooses Exit for one copy, as its tray menu does, and waits until its
    process has ended. The command goes to every Quorvane window on that
    desktop, so there must be only this one."""
    session.post_message(copy.desktop, DIALOG_CLASS, WINDOW_TITLE, WM_COMMAND, EXIT_COMMAND)
    wait_until(lambda: copy.pid not in running_pids(session), EXIT_TIMEOUT,
               f"end of the copy on {copy.desktop}")


def window_shown(session, copy):
    """Whether the copy's options window is up (WS_VISIBLE)."""
    window = places.find_top(session, copy.desktop, DIALOG_CLASS, WINDOW_TITLE, copy.pid)
    return window is not None and window.visible


def answer_error_box(session, desktop=DEFAULT_DESKTOP, timeout=places.WINDOW_TIMEOUT):
    """Waits for an "Error" box on desktop and answers it with OK; returns
    the message it showed."""
    box = places.wait_top(session, desktop, DIALOG_CLASS, ERROR_TITLE, timeout=timeout)
    text = error_box_text(session, box)
    answerer = ErrorBoxAnswerer(session)
    wait_until(lambda: answerer() or answerer.answered, timeout, "answered error box")
    return text
