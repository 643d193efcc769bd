"""The program's start-at-logon entry, read the way an administrator would:
`reg query` on the 32-bit view of HKLM's Run key, which a 32-bit program
writes."""

import re

from . import wine

RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
VALUE_NAME = "Quorvane"
_VALUE_LINE = re.compile(r"^\s*(?P<name>.+?)\s+REG_SZ\s+(?P<data>.*?)\s*$")


def run_value(session):
    """The value's text, or None when there is no such value. The whole key
    is listed: asking for a missing value fails the same way as any other
    error of `reg`, while the key itself is always there."""
    output = wine.run(session.env, ["wine", "reg", "query", RUN_KEY, "/reg:32"])
    for line in output.splitlines():
        match = _VALUE_LINE.match(line)
        if match and match["name"] == VALUE_NAME:
            return match["data"]
    return None

