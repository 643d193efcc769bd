"""A window manager on the benchmark's display, as every real desktop has.
Without one, Wine's X11 driver waits its full 2 s timeout each time a shown
window is hidden, for a confirmation only a manager sends; that wait is the
bare display's, not the program's."""

import subprocess
import time

from harness import cleanup

COMMAND = "openbox"
START_TIMEOUT = 15
STOP_TIMEOUT = 5
POLL_INTERVAL = 0.1
# A running EWMH manager names its check window on the root window.
READY_PROPERTY = "_NET_SUPPORTING_WM_CHECK"
READY_MARK = "window id"


class WindowManager:
    def __init__(self, log_path):
        self._log_path = log_path
        self._process = None

    def start(self, env):
        with open(self._log_path, "ab") as log:
            try:
                self._process = subprocess.Popen([COMMAND], env=env, stdin=subprocess.DEVNULL,
                                                 stdout=log, stderr=log)
            except FileNotFoundError:
                raise RuntimeError(f"{COMMAND} is not installed: run scripts/setup.sh bench")
        deadline = time.monotonic() + START_TIMEOUT
        while time.monotonic() < deadline:
            if self._process.poll() is not None:
                raise RuntimeError(f"{COMMAND} ended at start; see {self._log_path}")
            if _ready(env):
                return
            time.sleep(POLL_INTERVAL)
        raise RuntimeError(f"{COMMAND} did not take over the display; see {self._log_path}")

    def stop(self):
        if self._process is not None:
            cleanup.end_process(self._process, STOP_TIMEOUT)
            self._process = None


def _ready(env):
    result = subprocess.run(["xprop", "-root", READY_PROPERTY], env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=False)
    return READY_MARK in result.stdout.decode(errors="replace")
