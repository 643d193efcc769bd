"""An own Xvfb server for the run. CI has no display, and the developer's
DISPLAY must never see the test windows."""

import ctypes
import os
import select
import signal
import subprocess

SCREEN = "1024x768x24"
START_TIMEOUT = 15
STOP_TIMEOUT = 5
SCREENSHOT_TIMEOUT = 20
PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # Even if the runner is killed outright, Xvfb does not stay behind.
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGTERM)


class VirtualDisplay:
    def __init__(self, log_path):
        self._log_path = log_path
        self._process = None
        self.name = None

    def start(self):
        read_end, write_end = os.pipe()
        with open(self._log_path, "wb") as log:
            # -displayfd lets Xvfb pick a free display number and tell us.
            self._process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN,
                 "-nolisten", "tcp"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                preexec_fn=_die_with_parent)
        os.close(write_end)
        try:
            self.name = ":" + self._read_display_number(read_end)
        finally:
            os.close(read_end)
        return self.name

    def _read_display_number(self, read_end):
        ready, _, _ = select.select([read_end], [], [], START_TIMEOUT)
        number = os.read(read_end, 64).decode().strip() if ready else ""
        if not number.isdigit():
            self.stop()
            raise RuntimeError(f"Xvfb did not start; see {self._log_path}")
        return number

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.name, "-window", "root", str(path)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=SCREENSHOT_TIMEOUT, check=False)

    def stop(self):
        if self._process is None or self._process.poll() is not None:
            return
        self._process.terminate()
        try:
            self._process.wait(STOP_TIMEOUT)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
