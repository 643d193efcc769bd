"""Footprint figures of a Wine process, read from Linux's /proc.

Wine 8 answers GetProcessMemoryInfo for another process with the working
set only (private usage 0) and GetProcessTimes, GetProcessHandleCount and
GetGuiResources with 0, so the figures Wine cannot give come from the Unix
process that is the Windows one."""

import os
from collections import namedtuple

KIB = 1024
NS_PER_MS = 1_000_000

Memory = namedtuple("Memory", "peak_ws ws private pss")
Cpu = namedtuple("Cpu", "run_ns tick_ms")


def _kib_fields(text):
    """'Name:   123 kB' lines -> {name: bytes}."""
    fields = {}
    for line in text.splitlines():
        name, _, value = line.partition(":")
        parts = value.split()
        if len(parts) == 2 and parts[1] == "kB" and parts[0].isdigit():
            fields[name.strip()] = int(parts[0]) * KIB
    return fields


def parse_memory(status_text, rollup_text):
    """Peak working set (VmHWM), working set (VmRSS), private resident
    pages (Private_Clean + Private_Dirty) and proportional share (Pss)."""
    status = _kib_fields(status_text)
    rollup = _kib_fields(rollup_text)
    return Memory(status["VmHWM"], status["VmRSS"],
                  rollup["Private_Clean"] + rollup["Private_Dirty"], rollup["Pss"])


def parse_tick_ms(stat_text, ticks_per_second):
    # The command name in parentheses may hold spaces; fields count from
    # after its closing parenthesis (utime and stime are fields 14 and 15).
    fields = stat_text[stat_text.rindex(")") + 2:].split()
    ticks = int(fields[11]) + int(fields[12])
    return ticks * 1000 / ticks_per_second


def parse_mappings(smaps_text):
    """Resident bytes per mapping name (file base name, or [heap], [anon])."""
    resident = {}
    name = None
    for line in smaps_text.splitlines():
        first = line.split(maxsplit=1)[0] if line.strip() else ""
        if "-" in first and not first.endswith(":"):
            parts = line.split(maxsplit=5)
            name = os.path.basename(parts[5].strip()) if len(parts) == 6 else "[anon]"
        elif first == "Rss:" and name is not None:
            resident[name] = resident.get(name, 0) + _kib_fields(line).get("Rss", 0)
    return resident


def _read(path):
    with open(path) as stream:
        return stream.read()


def memory(pid):
    return parse_memory(_read(f"/proc/{pid}/status"), _read(f"/proc/{pid}/smaps_rollup"))


def cpu(pid):
    """CPU time so far: the scheduler's nanosecond count summed over the
    threads, and the 10 ms kernel+user ticks as a cross-check."""
    run_ns = 0
    task_dir = f"/proc/{pid}/task"
    for task in os.listdir(task_dir):
        try:
            run_ns += int(_read(f"{task_dir}/{task}/schedstat").split()[0])
        except FileNotFoundError:  # a thread that ended meanwhile
            pass
    tick_ms = parse_tick_ms(_read(f"/proc/{pid}/stat"), os.sysconf("SC_CLK_TCK"))
    return Cpu(run_ns, tick_ms)


def mappings(pid):
    return parse_mappings(_read(f"/proc/{pid}/smaps"))


def command_line(pid):
    return _read(f"/proc/{pid}/cmdline").replace("\0", " ").strip()
