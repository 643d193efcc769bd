"""Clean-up actions that must run however the run ends: normal exit, a failed
test, Ctrl-C, or SIGTERM/SIGHUP from a CI runner. Without this a stray
wineserver or Xvfb would outlive the run."""

import atexit
import os
import shutil
import signal
import subprocess
import sys
import time
import traceback

REMOVE_ATTEMPTS = 3
REMOVE_RETRY_DELAY = 0.5

_actions = {}
_next_key = 0


def register(action):
    """Registers action(); returns a key for unregister()."""
    global _next_key
    _next_key += 1
    _actions[_next_key] = action
    return _next_key


def unregister(key):
    _actions.pop(key, None)


def run_all():
    """Runs the still registered actions, newest first, each at most once."""
    for key in sorted(_actions, reverse=True):
        action = _actions.pop(key, None)
        if action is None:
            continue
        try:
            action()
        except Exception:  # keep cleaning up the rest
            traceback.print_exc(file=sys.stderr)


def remove_tree(path):
    """Removes a directory tree. Wine processes that are still dying can add
    files while it goes, so it retries, and says so if something is left."""
    for _ in range(REMOVE_ATTEMPTS):
        shutil.rmtree(path, ignore_errors=True)
        if not os.path.exists(path):
            return
        time.sleep(REMOVE_RETRY_DELAY)
    print(f"warning: could not remove {path}", file=sys.stderr)


def end_process(process, timeout):
    """Asks a helper process (Xvfb, a window manager) to end, and kills it if
    it has not ended within timeout seconds."""
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def _exit_on_signal(signum, _frame):
    # Raising unwinds the test's finally blocks before atexit runs the rest.
    raise SystemExit(128 + signum)


def install():
    atexit.register(run_all)
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, _exit_on_signal)
