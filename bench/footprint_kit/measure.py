"""One measured round: start Quorvane, the baseline and the design floor one
after the other (who goes first turns with each round), time each until its
four tray icons are shown, let them settle, read their memory, let them idle
side by side and read the CPU time they used, then end each through its own
windows."""

import time
from collections import namedtuple

from . import linux_proc, world

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
ID_EXIT = 32772  # the tray menu's "Exit" command

Kind = namedtuple("Kind", "name windows_path image close_message close_wparam")
KINDS = (
    Kind("quorvane", world.APP_PATH, "Quorvane.exe", WM_COMMAND, ID_EXIT),
    Kind("baseline", world.BASELINE_PATH, "baseline_tray.exe", WM_CLOSE, 0),
    Kind("floor", world.FLOOR_PATH, "design_floor.exe", WM_CLOSE, 0),
)

MS_PER_S = 1000.0


class Sample:
    """Everything measured for one program in one round."""

    def __init__(self, program):
        self.program = program
        self.start_first_ms = (program.icons.first - program.spawned) * MS_PER_S
        self.start_last_ms = (program.icons.last - program.spawned) * MS_PER_S
        self.memory = None
        self.memory_after_idle = None
        self.probe = None
        self.startup_cpu_ms = None
        self.idle_cpu_ms = None
        self.idle_tick_ms = None
        self.mappings = None


def order_for(round_index):
    # Each program goes first as often as the others, so neither a warm
    # cache nor a busy moment favours one of them.
    turn = round_index % len(KINDS)
    return KINDS[turn:] + KINDS[:turn]


def _start(wine_world, kind, label, exclude_hwnds):
    program = wine_world.launch(kind.windows_path, label)
    program.icons = wine_world.tray.wait_icons(program.spawned, exclude_hwnds, world.ICON_COUNT,
                                               world.ICONS_TIMEOUT)
    _check_same_process(program, kind)
    return program


def _check_same_process(program, kind):
    # The /proc figures are only the program's if `wine` exec'd into it.
    command = linux_proc.command_line(program.process.pid)
    if kind.image.lower() not in command.lower():
        raise RuntimeError(f"Unix pid {program.process.pid} runs {command!r}, not {kind.image}")


def _find_windows_pid(wine_world, kind, sample):
    records = [r for r in wine_world.probe(kind.image)
               if r.pid not in wine_world.resident_quorvane_pids]
    if len(records) != 1:
        raise RuntimeError(f"expected one measured {kind.image}, the probe found {records}")
    sample.program.windows_pid = records[0].pid
    sample.probe = records[0]


def one_round(wine_world, round_index, settle_seconds, idle_seconds, with_mappings):
    samples = {}
    exclude = set(wine_world.resident_hwnds)
    for kind in order_for(round_index):
        program = _start(wine_world, kind, f"{kind.name}-{round_index + 1}", exclude)
        exclude.add(program.icons.hwnd)
        samples[kind.name] = Sample(program)
    time.sleep(settle_seconds)
    kinds = {kind.name: kind for kind in KINDS}
    for name, sample in samples.items():
        _find_windows_pid(wine_world, kinds[name], sample)
        sample.memory = linux_proc.memory(sample.program.process.pid)
    before = {name: linux_proc.cpu(s.program.process.pid) for name, s in samples.items()}
    for name, sample in samples.items():
        sample.startup_cpu_ms = before[name].run_ns / linux_proc.NS_PER_MS
    time.sleep(idle_seconds)
    for name, sample in samples.items():
        pid = sample.program.process.pid
        after = linux_proc.cpu(pid)
        sample.idle_cpu_ms = (after.run_ns - before[name].run_ns) / linux_proc.NS_PER_MS
        sample.idle_tick_ms = after.tick_ms - before[name].tick_ms
        sample.memory_after_idle = linux_proc.memory(pid)
        if with_mappings:
            sample.mappings = linux_proc.mappings(pid)
    for name, sample in samples.items():
        kind = kinds[name]
        wine_world.close_program(sample.program, kind.close_message, kind.close_wparam)
    return samples
