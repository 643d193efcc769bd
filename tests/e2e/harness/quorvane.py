"""What the tests know about Quorvane's visible behaviour: its window, its
settings file, the desktops it makes, and how to tell when a start has
settled."""

import os

from . import places
from .waiting import wait_stable, wait_until

WINDOW_TITLE = "Quorvane"
DIALOG_CLASS = "#32770"
ERROR_TITLE = "Error"
DEFAULT_DESKTOP = "Default"
NEW_DESKTOPS = ("Desktop II", "Desktop III", "Desktop IV")
SETTINGS_DIR = "Quorvane"
SETTINGS_NAME = "conf01.dat"
DEFAULT_SETTINGS = b"2\r\r\n"
WM_COMMAND = 0x0111
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
# In both messages' lParam: the Restart Manager asks the program to close.
ENDSESSION_CLOSEAPP = 0x1
IDOK = 1
ERROR_FILE_NOT_FOUND = 2
# A message box's text is the static control with this id.
MESSAGE_TEXT_ID = 0xFFFF

WINDOW_TIMEOUT = 20
# Three desktops, each with a 3 s pause after its shell starts, plus Wine's
# process start-up: a first start is done well within this.
SETTLE_TIMEOUT = 40
# Longer than the pause between starting a shell and starting the copy, so a
# late extra start cannot slip in after a check.
QUIET_PERIOD = 4.0
_WINSTA_PREFIX = "winsta0\\"


def settings_path(session):
    return os.path.join(session.appdata(), SETTINGS_DIR, SETTINGS_NAME)


def read_settings(session):
    try:
        with open(settings_path(session), "rb") as stream:
            return stream.read()
    except FileNotFoundError:
        return None


def app_windows(session, desktop):
    return [window for window in session.windows(desktop)
            if window.title == WINDOW_TITLE and window.class_name == DIALOG_CLASS]


def wait_for_app_window(session, desktop, pid=None, timeout=WINDOW_TIMEOUT):
    def poll():
        found = [w for w in app_windows(session, desktop) if pid is None or w.pid == pid]
        return found[0] if found else None

    return wait_until(poll, timeout, f"Quorvane window on {desktop}")


def desktop_name(process):
    """The desktop a process was started on, as a bare name."""
    name = process.desktop
    return name[len(_WINSTA_PREFIX):] if name.lower().startswith(_WINSTA_PREFIX) else name


def app_processes(session, app_path):
    return [process for process in session.processes()
            if process.image.lower() == app_path.lower()]


def copies_by_desktop(processes):
    """New-desktop name -> the Quorvane processes started on it."""
    copies = {name: [] for name in NEW_DESKTOPS}
    for process in processes:
        name = desktop_name(process)
        if name in copies:
            copies[name].append(process)
    return copies


class StartObserver:
    """Follows a first start until every new desktop has its copy and nothing
    new has been started for a while."""

    def __init__(self, session, app_path, shell_path):
        self.session = session
        self.app_path = app_path
        self.shell_path = shell_path

    def snapshot(self):
        """(Quorvane processes, shell starts logged so far)."""
        processes = sorted(app_processes(self.session, self.app_path))
        return tuple(processes), tuple(self.session.starts_logged(self.shell_path))

    def wait_settled(self, timeout=SETTLE_TIMEOUT, on_poll=None):
        """Returns the settled snapshot. on_poll runs before each look, for
        tests that must keep answering message boxes meanwhile."""

        def snapshot():
            if on_poll:
                on_poll()
            return self.snapshot()

        def every_desktop_has_a_copy(value):
            return all(copies_by_desktop(value[0]).values())

        return wait_stable(snapshot, every_desktop_has_a_copy, QUIET_PERIOD, timeout,
                           "first start")


def _starts(call, path):
    return call.function == "CreateProcessW" and any(
        path.lower() in text.lower() for text in call.strings)


def pauses_before_copies(calls, app_path, shell_path):
    """For each copy start in a relay trace: seconds from the end of that
    thread's shell start (or of the error box after it) to the copy start;
    None if the thread started a copy with no shell start before it."""
    ended, pauses = {}, []
    for call in calls:
        if call.function == "MessageBoxW" or _starts(call, shell_path):
            if call.returned_at is not None:
                ended[call.thread] = call.returned_at
        elif _starts(call, app_path):
            since = ended.pop(call.thread, None)
            pauses.append(None if since is None else call.called_at - since)
    return pauses


def _words(text):
    return " ".join(text.split())


def error_box_text(session, box):
    """The message an error box shows, with line breaks as single spaces."""
    texts = [c.text for c in places.children(session, box.hwnd)
             if c.control_id == MESSAGE_TEXT_ID]
    assert texts, f"the error box {box.hwnd} has no message text"
    return _words(texts[0])


def system_text(session, code):
    return _words(session.probe("system_message", str(code)))


class ErrorBoxAnswerer:
    """Answers every "Error" message box, on any desktop, with OK, and
    remembers which boxes it answered."""

    def __init__(self, session):
        self.session = session
        self.answered = set()

    def __call__(self):
        try:
            posted = self.session.post_message("*", DIALOG_CLASS, ERROR_TITLE, WM_COMMAND, IDOK)
        except RuntimeError:
            # Once in a 64-bit run the probe ended with 1 and said nothing while
            # a box came up; it is polled, so the next round answers the box,
            # and a probe that keeps failing runs the caller's wait out.
            return False
        self.answered.update(posted)
