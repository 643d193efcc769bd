"""An own Xvfb server for the run. CI has no display, and the developer's
DISPLAY must never see the test windows."""

import ctypes
import os
import random
import signal
import socket
import subprocess
import time

from . import cleanup

SCREEN = "1024x768x24"
# Far above the numbers that desktops and `Xvfb -displayfd` pick (they count
# up from 0), so parallel runs on one machine rarely even try the same one.
FIRST_DISPLAY = 200
LAST_DISPLAY = 899
ATTEMPTS = 10
START_TIMEOUT = 15
STOP_TIMEOUT = 5
SCREENSHOT_TIMEOUT = 20
POLL_INTERVAL = 0.05
PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # Even if the runner is killed outright, Xvfb does not stay behind.
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


def _lock_path(number):
    return f"/tmp/.X{number}-lock"


def _socket_path(number):
    return f"/tmp/.X11-unix/X{number}"


def _in_use(number):
    return os.path.exists(_lock_path(number)) or os.path.exists(_socket_path(number))


def _lock_owner(number):
    try:
        with open(_lock_path(number)) as lock:
            return int(lock.read().strip())
    except (OSError, ValueError):
        return None


def _accepts_connections(number):
    with socket.socket(socket.AF_UNIX) as probe:
        try:
            probe.connect(_socket_path(number))
            return True
        except OSError:
            return False


class VirtualDisplay:
    def __init__(self, log_path):
        self._log_path = log_path
        self._process = None
        self.name = None

    def start(self):
        candidates = [n for n in range(FIRST_DISPLAY, LAST_DISPLAY + 1) if not _in_use(n)]
        for number in random.sample(candidates, min(ATTEMPTS, len(candidates))):
            if self._try_start(number):
                self.name = f":{number}"
                return self.name
        raise RuntimeError(f"could not start Xvfb; see {self._log_path}")

    def _try_start(self, number):
        # Not -displayfd: with it Xvfb writes no lock file, and two servers
        # can then take the same display from each other. The lock file Xvfb
        # creates itself is what makes the display ours.
        with open(self._log_path, "ab") as log:
            self._process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", SCREEN, "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, preexec_fn=_die_with_parent)
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline and self._process.poll() is None:
            if _lock_owner(number) == self._process.pid and _accepts_connections(number):
                return True
            time.sleep(POLL_INTERVAL)
        self.stop()
        return False

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.name, "-window", "root", str(path)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=SCREENSHOT_TIMEOUT, check=False)

    def stop(self):
        if self._process is not None:
            cleanup.end_process(self._process, STOP_TIMEOUT)
