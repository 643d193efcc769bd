"""Builds the small Windows helper programs in tests/e2e/probes and reads
their output. Each probe prints one tab-separated record per line."""

import os
import subprocess
from collections import namedtuple

from . import wine

# The probes are built as wide as the program under test, so that they look
# at its processes and memory, and run in its prefix, as their own kind.
COMPILERS = {32: "i686-w64-mingw32-g++", 64: "x86_64-w64-mingw32-g++"}
FLAGS = ["-std=c++20", "-municode", "-static", "-Os", "-s", "-Wall", "-Wextra", "-Werror"]
COMPILE_TIMEOUT = 180

# Name -> extra flags. The recorder is started by Quorvane as a shell, so it
# must be a GUI program: a console one would get a console window of its own.
PROBES = {
    "record_start": ["-mwindows"],
    "desktops": [],
    "processes": ["-lntdll"],
    "post_message": [],
    "system_message": [],
    "load_library": [],
    # Under a system DLL's name beside a program, it records who loads it.
    "planted_dll": ["-shared"],
}

Window = namedtuple("Window", "hwnd pid visible class_name title")
Process = namedtuple("Process", "pid parent desktop image command_line")
Start = namedtuple("Start", "desktop command_line")
Answers = namedtuple("Answers", "desktop hwnd sends unanswered")


def build_all(source_dir, output_dir):
    """Compiles every probe (in parallel) and returns name -> .exe (or .dll) path."""
    os.makedirs(output_dir, exist_ok=True)
    jobs = {}
    for name, flags in PROBES.items():
        exe = os.path.join(output_dir, name + (".dll" if "-shared" in flags else ".exe"))
        source = os.path.join(source_dir, name + ".cpp")
        command = [COMPILERS[wine.bits()], *FLAGS, source, "-o", exe, *flags]
        jobs[name] = (exe, subprocess.Popen(command,
                                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT))
    errors = []
    for name, (_, job) in jobs.items():
        output, _ = job.communicate(timeout=COMPILE_TIMEOUT)
        if job.returncode != 0:
            errors.append(f"{name}:\n{output.decode(errors='replace')}")
    if errors:
        raise RuntimeError("probe build failed\n" + "\n".join(errors))
    return {name: exe for name, (exe, _) in jobs.items()}


def _records(text, width):
    for line in text.splitlines():
        fields = line.rstrip("\r").split("\t")
        if len(fields) == width:
            yield fields


def parse_desktops(text):
    return [line.strip() for line in text.splitlines() if line.strip()]


def parse_windows(text):
    return [Window(int(hwnd), int(pid), visible == "1", class_name, title)
            for hwnd, pid, visible, class_name, title in _records(text, 5)]


def parse_processes(text):
    return [Process(int(pid), int(parent), desktop, image, command_line)
            for pid, parent, desktop, image, command_line in _records(text, 5)]


def parse_starts(text):
    """The log the recording program writes: desktop, command line."""
    return [Start(*fields) for fields in _records(text, 2)]


def parse_posted(text):
    """post_message output: (desktop, hwnd) of each window posted to."""
    return [(desktop, int(hwnd)) for desktop, hwnd in _records(text, 2)]


def parse_sent(text):
    """post_message output when sending: the answers of each window sent to."""
    return [Answers(desktop, int(hwnd), int(sends), int(unanswered))
            for desktop, hwnd, sends, unanswered in _records(text, 4)]
