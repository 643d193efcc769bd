"""Runs the tray_keeper probe: one icon of the test's own in each desktop's
tray for as long as a `with` block lasts, so that no tray ever becomes empty
and Wine's 2 s stall on an empty tray stays out of timed checks."""

import os
import subprocess

from . import probes, wine
from .waiting import wait_until

PROBE = "tray_keeper"
probes.PROBES.setdefault(PROBE, [])
KEEPER_ICON_ID = 0xE2E
READY_TIMEOUT = 20
EXIT_TIMEOUT = 10


class TrayKeeper:
    def __init__(self, run, session, desktops, trace):
        self._exe = run.probes[PROBE]
        self._session = session
        self._desktops = list(desktops)
        self._trace = trace
        self._output = os.path.join(session.artifacts, "tray_keeper.out")
        self._process = None

    def __enter__(self):
        with open(self._output, "wb") as out:
            self._process = subprocess.Popen([wine.loader(), self._exe, *self._desktops],
                                             env=self._session.env, stdin=subprocess.PIPE,
                                             stdout=out, stderr=subprocess.STDOUT)
        try:
            wait_until(self._all_shown, READY_TIMEOUT, f"keeper icons on {self._desktops}")
        except BaseException:
            self.__exit__()
            raise
        return self

    def _all_shown(self):
        trays = self._trace.update().trays.values()
        holding = [icons for icons in trays
                   if any(icon.icon_id == KEEPER_ICON_ID for icon in icons)]
        return len(holding) >= len(self._desktops)

    def __exit__(self, *_):
        # End of input is the keeper's signal to leave.
        self._process.stdin.close()
        try:
            self._process.wait(EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
