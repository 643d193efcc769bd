"""A file made read-only for the length of a `with` block.

Wine shows a file without Unix write permission as read-only, and that is
what `attrib +r` does. But a test run as root may write such a file anyway
(Unix lets root), so there the file is also made immutable with chattr,
which stops root too. The block gets False when neither can be had, and the
file is always made writable again, even when the run is cut short."""

import os
import subprocess

from . import cleanup, wine

CHATTR_TIMEOUT = 10


def _chattr(flag, path):
    try:
        return subprocess.run(["chattr", flag, path], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=CHATTR_TIMEOUT).returncode == 0
    except (OSError, subprocess.TimeoutExpired):
        return False


class ReadOnly:
    def __init__(self, session, windows_path):
        self._session = session
        self._windows_path = windows_path
        self._path = session.path(windows_path)
        self._immutable = False
        self._cleanup_key = None

    def __enter__(self):
        wine.run(self._session.env, [wine.loader(), "attrib", "+r", self._windows_path])
        self._cleanup_key = cleanup.register(self._writable)
        if os.geteuid() != 0:
            return True
        self._immutable = _chattr("+i", self._path)
        return self._immutable

    def _writable(self):
        if self._immutable:
            _chattr("-i", self._path)
            self._immutable = False
        os.chmod(self._path, 0o644)

    def __exit__(self, *_):
        cleanup.unregister(self._cleanup_key)
        self._writable()
