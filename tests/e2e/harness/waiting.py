"""Polling with a deadline. Every wait in the e2e tests goes through here, so a
stuck program fails a test after a bounded time instead of hanging the run."""

import time

DEFAULT_INTERVAL = 0.3


class WaitTimeout(AssertionError):
    pass


def wait_until(poll, timeout, what, interval=DEFAULT_INTERVAL):
    """Calls poll() until it returns something truthy and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = poll()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise WaitTimeout(f"no {what} after {timeout:g}s (last seen: {value!r})")
        time.sleep(interval)


def wait_stable(snapshot, ready, quiet, timeout, what, interval=DEFAULT_INTERVAL):
    """Waits until snapshot() is ready(...) and has not changed for `quiet`
    seconds; returns that snapshot. Used where the program may still be
    starting things, so a check right after the first match could miss a
    late duplicate."""
    deadline = time.monotonic() + timeout
    value = snapshot()
    since = time.monotonic()
    while True:
        now = time.monotonic()
        if ready(value) and now - since >= quiet:
            return value
        if now >= deadline:
            raise WaitTimeout(f"{what} did not settle within {timeout:g}s (last seen: {value!r})")
        time.sleep(interval)
        current = snapshot()
        if current != value:
            value, since = current, time.monotonic()
