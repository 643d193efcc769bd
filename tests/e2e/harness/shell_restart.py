"""The notification area's owner going away and coming back.

Under Wine each desktop's notification area lives in that desktop's
`explorer.exe /desktop` process. Ending it leaves the desktop without one
for good: Wine 8 starts no new explorer for a desktop whose desktop window
still exists, and new windows there fail with "no driver could be loaded".
So a restart is played by the restarted_shell probe: the program's icons are
taken away, as a new notification area would not hold them, and
"TaskbarCreated" is broadcast, as a starting shell does. A shell too busy to
take icons is played by the same probe, with a window of the notification
area's class that refuses every call for a while."""

from . import probes
from .quorvane import DEFAULT_DESKTOP, desktop_name

RESTART_PROBE = "restarted_shell"
END_PROBE = "end_process"
probes.PROBES.setdefault(RESTART_PROBE, [])
probes.PROBES.setdefault(END_PROBE, [])
DESKTOP_SHELL_IMAGE = r"C:\windows\system32\explorer.exe"
DESKTOP_SHELL_OPTION = "/desktop"


def play_restart(session, desktop, owner=None, icon_ids=()):
    """Takes owner's icon_ids out of desktop's notification area, then
    broadcasts TaskbarCreated on that desktop."""
    arguments = [desktop] + ([str(owner), *map(str, icon_ids)] if owner else [])
    session.probe(RESTART_PROBE, *arguments)


def play_busy(session, desktop, seconds):
    """Keeps desktop's notification area refusing every icon for `seconds`,
    as a shell busy at logon does; returns how many adds it refused. Blocks
    as long: run it beside the program under test."""
    return int(session.probe(RESTART_PROBE, "--busy", desktop, str(seconds)).strip())


def tray_owner(session, desktop=DEFAULT_DESKTOP):
    """The process id of the explorer that runs desktop's notification area."""
    for process in session.processes():
        if (process.image.lower() == DESKTOP_SHELL_IMAGE.lower()
                and DESKTOP_SHELL_OPTION in process.command_line
                and desktop_name(process) == desktop):
            return process.pid
    return None


def end_process(session, pid):
    session.probe(END_PROBE, str(pid))
