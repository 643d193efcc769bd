"""The program's start-at-logon entry, read the way an administrator would:
`reg query` on the view of HKLM's Run key that the program under test
writes (the 32-bit view for the 32-bit release, the 64-bit one for the
64-bit build); and the documents' own command for removing it, typed at a
prompt."""

import os
import re

from . import probes, wine

RIGHTS_PROBE = "run_key_rights"
probes.PROBES.setdefault(RIGHTS_PROBE, [])

RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
VALUE_NAME = "Quorvane"
_VALUE_LINE = re.compile(r"^\s*(?P<name>.+?)\s+REG_SZ\s+(?P<data>.*?)\s*$")

_ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(
    os.path.abspath(__file__)))))
# What a user reads: the README, and the ReadMe.txt packed in the release.
DOCUMENTS = ("README.md", os.path.join("dist", "ReadMe.txt"))
# A command ends at the end of its line or, in Markdown, at its closing backtick.
_REMOVAL_COMMAND = re.compile(r"reg delete [^`\r\n]*", re.IGNORECASE)
# 64-bit Windows keeps a 32-bit program's value in the 32-bit view, which an
# ordinary (64-bit) prompt reaches only when asked. A 32-bit Wine prefix has
# one view for both; a 64-bit one keeps them apart, as Windows does.
THIRTY_TWO_BIT_VIEW = "/reg:32"
# What an administrator sets to keep normal users out: Everyone may read the
# key but neither set a value (0x2) nor make a subkey (0x4).
WRITES_DENIED = "D:P(D;;0x6;;;WD)(A;;KR;;;WD)"


def run_value(session, view=None):
    """The value's text, or None when there is no such value; in the view the
    program under test writes unless another is named (the installer, being
    32-bit, writes "/reg:32" whatever the build under test). The whole key
    is listed: asking for a missing value fails the same way as any other
    error of `reg`. An installer that removes the last value removes the key
    too, so a failure is looked into: without the key there is no value."""
    view = view or wine.registry_view()
    try:
        output = wine.run(session.env, [wine.loader(), "reg", "query", RUN_KEY, view])
    except RuntimeError:
        if _run_key_exists(session, view):
            raise
        return None
    for line in output.splitlines():
        match = _VALUE_LINE.match(line)
        if match and match["name"] == VALUE_NAME:
            return match["data"]
    return None


def _run_key_exists(session, view):
    """Whether listing the key's parent names the key among its subkeys."""
    parent = RUN_KEY.rsplit("\\", 1)[0]
    output = wine.run(session.env, [wine.loader(), "reg", "query", parent, view])
    return any(line.strip().lower().endswith(r"\currentversion\run") for line in output.splitlines())


def documented_removal_commands():
    """{document: [commands]} as each document spells them, every one of
    them, so that a document whose command drifts fails with it."""
    commands = {}
    for document in DOCUMENTS:
        with open(os.path.join(_ROOT, document), encoding="utf-8") as stream:
            commands[document] = [found.strip() for found in
                                  _REMOVAL_COMMAND.findall(stream.read())]
    return commands


def for_this_build(command):
    """The documents' command as it reaches the program under test's value:
    as written for the 32-bit release; for the 64-bit build, whose value a
    64-bit Windows (and a 64-bit Wine prefix) keeps in the other view, with
    that view instead."""
    return command.replace(THIRTY_TWO_BIT_VIEW, wine.registry_view())


def type_at_prompt(session, command):
    """Runs a command line as typed at a `cmd` prompt in the prefix; a
    command that fails (no such value, a bad switch) raises."""
    wine.run(session.env, [wine.loader(), "cmd", "/c", *command.split()])


def deny_writes(session):
    """Plays a user without administrator rights: from now on the program's
    writes to the Run key are refused with "Access is denied.", as Windows
    refuses them to a normal user. Returns the DACL it replaced."""
    return session.probe(RIGHTS_PROBE, WRITES_DENIED).strip()
