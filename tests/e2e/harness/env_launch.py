"""Starts a program with a changed environment through the launch_with_env
probe. Wine builds a process's environment itself only when it starts from
Unix, so changing the variables of `wine prog.exe` does not reach the
program; a process started by a Windows parent gets the block it is given
(except for variables Wine sets in every process, such as SystemRoot)."""

import os
import subprocess

from . import probes, wine

PROBE = "launch_with_env"
probes.PROBES.setdefault(PROBE, ["-lntdll"])
LAUNCH_TIMEOUT = 60


class Launched:
    """What the probe reported: the new process's id, and for each variable
    named, the length of its value there (None: not set)."""

    def __init__(self, pid, lengths, stderr_path):
        self.pid = pid
        self.lengths = lengths
        self.stderr_path = stderr_path


def _options(unset, long_values):
    options = []
    for name in unset:
        options += ["--unset", name]
    for name, length in long_values.items():
        options += ["--long", name, str(length)]
    return options


def _parse(text):
    pid, lengths = None, {}
    for line in text.splitlines():
        fields = line.rstrip("\r").split("\t")
        if len(fields) != 2:
            continue
        if fields[0] == "pid":
            pid = int(fields[1])
        else:
            lengths[fields[0]] = None if fields[1] == "unset" else int(fields[1])
    return pid, lengths


def launch(run, session, label, windows_path, unset=(), long_values=None, debug=None):
    """Starts windows_path with the variables in `unset` removed and each in
    long_values set to a made-up path of that many characters. The program's
    stderr (its WINEDEBUG trace, with `debug`) goes to <label>.err."""
    env = dict(session.env, WINEDEBUG=debug) if debug else session.env
    stdout_path = os.path.join(session.artifacts, label + ".out")
    stderr_path = os.path.join(session.artifacts, label + ".err")
    command = [wine.loader(), run.probes[PROBE], *_options(unset, long_values or {}),
               f'"{windows_path}"']
    with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
        process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL, stdout=out,
                                   stderr=err, cwd=os.path.join(session.prefix, "drive_c"))
    try:
        process.wait(LAUNCH_TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        raise
    with open(stdout_path, "rb") as stream:
        pid, lengths = _parse(stream.read().decode("utf-8", errors="replace"))
    assert pid is not None, f"launch_with_env started nothing; see {stderr_path}"
    return Launched(pid, lengths, stderr_path)
