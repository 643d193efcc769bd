"""Registers e2e tests and runs them one by one, each with its own sessions,
a time limit, and a screenshot plus probe dump when it fails."""

import os
import shutil
import signal
import time
import traceback

from .session import Session

DEFAULT_TIMEOUT = 120
_registered = []


class Skip(Exception):
    """Raised to skip a whole test with a reason."""


class TestTimeout(AssertionError):
    pass


def e2e_test(timeout=DEFAULT_TIMEOUT):
    def register(function):
        _registered.append((function.__name__, function, timeout))
        return function

    return register


def registered():
    return list(_registered)


class Context:
    """What a test body gets: fresh sessions, and a way to skip one check
    visibly when Wine cannot show what it is about."""

    def __init__(self, run, name):
        self.run = run
        self.name = name
        self.artifacts = os.path.join(run.artifacts, name)
        self.sessions = []
        self.skipped = 0
        shutil.rmtree(self.artifacts, ignore_errors=True)
        os.makedirs(self.artifacts)

    def session(self):
        session = Session(self.run, f"{self.name}-{len(self.sessions)}", self.artifacts)
        self.sessions.append(session)
        return session

    def skip_check(self, reason):
        self.skipped += 1
        print(f"SKIP {self.name}: {reason}", flush=True)

    def made_check(self, what):
        """Says that a check some Wines cannot make was made on this one."""
        print(f"CHECKED {self.name}: {what} ({self.run.wine})", flush=True)

    def record_failure(self):
        with open(os.path.join(self.artifacts, "failure.txt"), "w") as out:
            traceback.print_exc(file=out)
        self.run.screenshot(os.path.join(self.artifacts, "shot.png"))
        for session in self.sessions:
            session.dump_state()

    def close(self):
        for session in self.sessions:
            session.close()


def _on_timeout(_signum, _frame):
    raise TestTimeout("test took longer than its time limit")


def _first_line(error):
    text = str(error).strip() or type(error).__name__
    return text.splitlines()[0]


def run_one(run, name, function, timeout):
    """Runs one test; returns (passed, skipped_count)."""
    context = Context(run, name)
    started = time.monotonic()
    previous = signal.signal(signal.SIGALRM, _on_timeout)
    try:
        try:
            signal.alarm(timeout)
            function(context)
        finally:
            signal.alarm(0)
            signal.signal(signal.SIGALRM, previous)
    except Skip as reason:
        print(f"SKIP {name}: {reason}", flush=True)
        return None, context.skipped + 1
    except Exception as error:
        context.record_failure()
        print(f"FAIL {name}: {_first_line(error)} [{context.artifacts}]", flush=True)
        return False, context.skipped
    finally:
        context.close()
    print(f"PASS {name} ({time.monotonic() - started:.1f}s)", flush=True)
    return True, context.skipped


def run_all(run, tests):
    """Returns (passed, failed, skipped)."""
    passed = failed = skipped = 0
    for name, function, timeout in tests:
        result, skips = run_one(run, name, function, timeout)
        passed += result is True
        failed += result is False
        skipped += skips
    return passed, failed, skipped


def summary(passed, failed, skipped, bits=None):
    """The closing line; it names the build the tests ran on, once known."""
    ran_on = f" ({bits}-bit build)" if bits else ""
    line = f"e2e{ran_on}: {passed} passed, {failed} failed"
    return line + (f", {skipped} skipped" if skipped else "")
