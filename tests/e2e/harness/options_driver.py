"""Works a copy's options window with window messages through the
options_driver probe: many show / OK / Cancel rounds in a row, or counts
chosen at random and confirmed with OK again and again, on several copies
at once."""

import os
import subprocess

from . import probes, wine

PROBE = "options_driver"
probes.PROBES.setdefault(PROBE, [])
# Each round waits for the window to show and to hide; without a window
# manager Wine takes about 2 s to hide a window it has shown.
SECONDS_PER_ROUND = 5
EXTRA_SECONDS = 30


def _records(text, width):
    for line in text.splitlines():
        fields = line.rstrip("\r").split("\t")
        if len(fields) == width:
            yield fields


def cycles(run, session, desktop, pid, rounds):
    """Runs `rounds` rounds (OK on even ones, Cancel on odd ones); returns
    the probe's lines as (round, "ok" or "cancel", count)."""
    output = wine.run(session.env, [wine.loader(), run.probes[PROBE], desktop, str(pid), "cycles",
                                    str(rounds)],
                      timeout=rounds * SECONDS_PER_ROUND + EXTRA_SECONDS)
    return [(int(number), button, int(count))
            for _, number, button, count in _records(output, 4)]


class Churn:
    """One copy having counts picked and confirmed at random for a while, in
    the background; the probe's report goes to a file."""

    def __init__(self, run, session, desktop, pid, seconds, seed):
        self.desktop = desktop
        self.seconds = seconds
        self._output = os.path.join(session.artifacts,
                                    f"churn-{desktop.replace(' ', '_')}-{seed}.out")
        with open(self._output, "wb") as out:
            self._process = subprocess.Popen(
                [wine.loader(), run.probes[PROBE], desktop, str(pid), "churn", str(seconds), str(seed)],
                env=session.env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)

    def wait(self):
        """Waits for the end; returns the counts confirmed, in order."""
        try:
            code = self._process.wait(self.seconds + EXTRA_SECONDS)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
            raise AssertionError(f"options driver on {self.desktop} did not finish") from None
        with open(self._output, "rb") as stream:
            text = stream.read().decode("utf-8", errors="replace")
        assert code == 0, f"options driver on {self.desktop} failed ({code}): {text[-500:]}"
        return [int(count) for _, count, _ in _records(text, 3)]

    def stop(self):
        if self._process.poll() is None:
            self._process.kill()
            self._process.wait()
