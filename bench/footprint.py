#!/usr/bin/env python3
"""Footprint benchmark of Quorvane.exe under Wine, side by side with a
minimal tray program (bench/baseline_tray.cpp) measured in the same run.

Usage:
    python3 bench/footprint.py [--runs N] [--idle-seconds S] [--settle-seconds S]
                               [--exe PATH] [--no-window-manager] [--keep]

Installs what it needs (scripts/setup.sh bench), builds Quorvane.exe with
scripts/build-windows.sh (unless --exe is given) and the benchmark's programs
from bench/CMakeLists.txt, starts its own Xvfb with a window manager (openbox,
unless --no-window-manager) and throwaway Wine prefix, and keeps in it a tray keeper (the first
program of the session, whose inherited stderr carries the tray's +systray
trace) and a long-lived first Quorvane instance, which made the desktops
and started a copy on each. Every measured Quorvane start is therefore a
second run: desktops present, settings file present.

Besides the baseline, a second yardstick is measured the same way: the
design floor (bench/design_floor.cpp), which starts the way Quorvane is
designed to (its own options dialog shown, hidden 5 ms later, then four
icons) and does nothing else. The start-up, memory and size targets are
against the floor, the least any program costs that starts the way
Quorvane is designed to; the baseline shows, for information, what the
designed start itself costs. Idle CPU is against the baseline.

Per round, the three are started one after the other, each going first in
turn, and then idle at the same time. Figures:
  - start to tray icons: from the moment the script spawns `wine <exe>` to
    the arrival of the tray's "added ... now N icons" line for the
    program's first and fourth icon (same tray, same trace, same reader for
    all three);
  - memory once start-up has settled, and again after the idle period:
    peak working set (VmHWM), working set (VmRSS) and private resident
    bytes of the Wine process, from /proc; probe_process.exe's Windows
    figures are printed as a cross-check (Wine 8 gives other processes'
    working set only);
  - CPU time used while idling, from the scheduler's per-thread counters.

All three are of one width, so the ratios stay fair: the 32-bit builds
where this machine runs 32-bit code, otherwise the 64-bit ones
(QUORVANE_ARCH=x86 or x64 chooses; with --exe, that program's width). The
report says which.

This is a measurement, not a test: it reports the targets, it never fails
on them. Exits non-zero only if the benchmark itself could not run.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
sys.path.insert(0, HERE)
# The e2e harness's display, prefix and clean-up helpers are reused as they are.
sys.path.insert(1, os.path.join(REPO, "tests", "e2e"))
sys.dont_write_bytecode = True  # keep the source tree clean

from footprint_kit import build, measure, probe_output, report  # noqa: E402
from footprint_kit.world import WineWorld  # noqa: E402
from harness import cleanup, wine  # noqa: E402

KIB = 1024
TICKS_100NS_PER_MS = 10_000
MAPPING_LINES = 12
EXIT_FAILED = 1
NOT_BUILT_INTO_QUORVANE = ("tests/", "bench/", "docs/", "README.md")
EXIT_INTERRUPTED = 130
ARCH_WORDS = {"x86": "32-bit builds of all three",
              "x64": "64-bit builds of all three (this machine runs no 32-bit code, "
                     "or QUORVANE_ARCH=x64)"}


def parse_arguments():
    parser = argparse.ArgumentParser(description="Quorvane footprint benchmark under Wine")
    parser.add_argument("--runs", type=int, default=5, help="rounds of each program (default 5)")
    parser.add_argument("--idle-seconds", type=float, default=60.0,
                        help="idle period for the CPU figure (default 60)")
    parser.add_argument("--settle-seconds", type=float, default=5.0,
                        help="wait after start-up before reading memory (default 5)")
    parser.add_argument("--exe", help="use this Quorvane.exe instead of building it")
    parser.add_argument("--no-window-manager", action="store_true",
                        help="run the display bare, as the end-to-end tests do")
    parser.add_argument("--keep", action="store_true", help="keep the work directory and logs")
    arguments = parser.parse_args()
    if arguments.runs < 1 or arguments.idle_seconds <= 0 or arguments.settle_seconds < 0:
        parser.error("--runs must be >= 1, --idle-seconds > 0, --settle-seconds >= 0")
    return arguments


def choose_arch(arguments):
    """x86 or x64: the given program's width, else what this machine runs."""
    if arguments.exe:
        return {32: "x86", 64: "x64"}[wine.program_bits(arguments.exe)]
    result = subprocess.run([os.path.join(REPO, "scripts", "windows_arch.sh")],
                            stdout=subprocess.PIPE, check=True)
    return result.stdout.decode().strip()


def install_packages(arch):
    """Wine, the cross-compiler and the window manager, when missing."""
    subprocess.run([os.path.join(REPO, "scripts", "setup.sh"), "bench"],
                   env=dict(os.environ, QUORVANE_ARCH=arch), check=True)


def prepare_programs(arguments, work_dir, arch):
    exe = arguments.exe or build.build_quorvane(REPO, arch)
    programs = build.build_bench(REPO, os.path.join(work_dir, "build"), arch)
    # A private copy: others may rebuild the shared build directory meanwhile.
    programs["Quorvane"] = shutil.copy(exe, os.path.join(work_dir, "Quorvane.exe"))
    return programs


def rows(rounds):
    def series(name, pick):
        return [pick(samples[name]) for samples in rounds]

    def row(key, label, unit, pick):
        return report.Row(key, label, unit, series("quorvane", pick), series("baseline", pick),
                          series("floor", pick))

    kib = KIB
    return [
        row("start_first", "start to first tray icon", "ms", lambda s: s.start_first_ms),
        row("start_last", "start to last (4th) tray icon", "ms", lambda s: s.start_last_ms),
        row("peak_ws", "peak working set", "KiB", lambda s: s.memory.peak_ws / kib),
        row("ws", "working set after start-up", "KiB", lambda s: s.memory.ws / kib),
        row("private", "private resident bytes", "KiB", lambda s: s.memory.private / kib),
        row("pss", "proportional set size (PSS)", "KiB", lambda s: s.memory.pss / kib),
        row("ws_idle", "working set after idling", "KiB", lambda s: s.memory_after_idle.ws / kib),
        row("startup_cpu", "CPU used until settled", "ms", lambda s: s.startup_cpu_ms),
        row("idle_cpu", "CPU while idling", "ms", lambda s: s.idle_cpu_ms),
        row("idle_ticks", "CPU while idling, 10 ms ticks", "ms", lambda s: s.idle_tick_ms),
        row("probe_ws", "probe: WorkingSetSize", "KiB", lambda s: s.probe.ws / kib),
        row("probe_cpu", "probe: kernel+user time", "ms",
            lambda s: (s.probe.kernel_100ns + s.probe.user_100ns) / TICKS_100NS_PER_MS),
    ]


def probe_note(rounds):
    records = [samples[name].probe for samples in rounds for name in samples]
    missing = probe_output.unreported(records)
    if not missing:
        return "probe_process.exe got a figure of its own for every field."
    return ("probe_process.exe got the same value for every process probed in: "
            + ", ".join(missing) + ".\n"
            "  Wine does not measure those for other processes, so the table takes private\n"
            "  bytes and CPU time from /proc, and handle and GUI object counts are left out.\n"
            "  Compare the probe's kernel+user time with 'CPU used until settled' before\n"
            "  trusting it: under Wine 8 only its working set figures match /proc.")


def flags_lines(work_dir, arch):
    q_compile, q_link = build.target_flags(build.quorvane_build_dir(REPO, arch),
                                           os.path.join("platform", "win32", "CMakeFiles",
                                                        "Quorvane.dir"), "win_main.cpp")
    b_compile, b_link = build.target_flags(os.path.join(work_dir, "build"),
                                           os.path.join("CMakeFiles", "baseline_tray.dir"),
                                           "baseline_tray.cpp")

    def words(flags):
        return " ".join(flags) if flags is not None else "(build files not found)"

    return "\n".join([
        f"  Quorvane.exe compile: {words(q_compile)}",
        f"  Quorvane.exe link:    {words(q_link)}",
        f"  baseline compile:     {words(b_compile)}",
        f"  baseline link:        {words(b_link)}",
        "  (gcc keeps the last -O given: -Os after CMake's Release -O3)",
    ])


def _git(*args):
    result = subprocess.run(["git", "-C", REPO, *args], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, check=False)
    return result.stdout.decode()


def changes_in_program(porcelain):
    """Paths from `git status --porcelain` that could be built into
    Quorvane.exe; a rename counts by both its old and new name."""
    changed = []
    for line in porcelain.splitlines():
        for path in line[3:].split(" -> "):
            if path and not path.startswith(NOT_BUILT_INTO_QUORVANE):
                changed.append(path)
    return changed


def source_version():
    """The commit, and any uncommitted change that could be in the build:
    others' work on the tests or this benchmark cannot."""
    commit = _git("rev-parse", "--short", "HEAD").strip() or "unknown"
    changed = changes_in_program(_git("status", "--porcelain"))
    if not changed:
        return f"{commit}, program sources unchanged"
    return f"{commit} with uncommitted changes in {', '.join(changed)}"


def print_report(arguments, programs, rounds, work_dir, seconds, arch):
    table_rows = rows(rounds)
    by_key = {row.key: row for row in table_rows}
    exe_kib = os.path.getsize(programs["Quorvane"]) / KIB
    base_kib = os.path.getsize(programs["baseline_tray"]) / KIB
    floor_kib = os.path.getsize(programs["design_floor"]) / KIB
    table_rows.append(report.Row("size", "executable size", "KiB", [exe_kib], [base_kib],
                                 [floor_kib]))
    last = rounds[-1]
    manager = "none" if arguments.no_window_manager else "openbox"
    print(f"Quorvane footprint vs baseline: {len(rounds)} rounds, "
          f"{arguments.idle_seconds:g} s idle, {arguments.settle_seconds:g} s settle, "
          f"window manager: {manager}, {seconds:.0f} s wall time; "
          f"{ARCH_WORDS[arch]}; sources at {source_version()}\n")
    print(report.table(table_rows))
    print("\nTargets (medians):")
    print(report.verdict_lines(report.verdicts(by_key, exe_kib, floor_kib)))
    print("\nFour copies run at once (one per desktop):")
    print(report.copies_lines(by_key, ("ws", "private", "idle_cpu")))
    print("\nResident memory by mapping, largest differences (last round, after idling):")
    print(report.mapping_difference(last["quorvane"].mappings, last["baseline"].mappings,
                                    MAPPING_LINES))
    print("\nResident memory by mapping, Quorvane vs design floor (last round, after idling):")
    print(report.mapping_difference(last["quorvane"].mappings, last["floor"].mappings,
                                    MAPPING_LINES))
    print("\nSize-setting build flags:")
    print(flags_lines(work_dir, arch))
    print("\nNotes:")
    print("  " + probe_note(rounds))
    print("  Start times run from spawning `wine <exe>` to the tray's line for the icon;\n"
          "  they include Wine's process start-up, which all three pay alike.")


def main():
    arguments = parse_arguments()
    cleanup.install()
    work_dir = tempfile.mkdtemp(prefix="quorvane-footprint-")
    wine_world = None
    try:
        arch = choose_arch(arguments)
        install_packages(arch)
        programs = prepare_programs(arguments, work_dir, arch)
        started = time.monotonic()
        wine_world = WineWorld(work_dir, programs, not arguments.no_window_manager)
        wine_world.prepare()
        wine_world.start_tray_keeper()
        wine_world.start_first_instance()
        rounds = []
        for index in range(arguments.runs):
            rounds.append(measure.one_round(wine_world, index, arguments.settle_seconds,
                                            arguments.idle_seconds,
                                            with_mappings=index == arguments.runs - 1))
            print(f"round {index + 1}/{arguments.runs} done", file=sys.stderr, flush=True)
        print_report(arguments, programs, rounds, work_dir, time.monotonic() - started, arch)
        return 0
    except KeyboardInterrupt:
        print("footprint benchmark interrupted", file=sys.stderr)
        return EXIT_INTERRUPTED
    except Exception as error:  # report, clean up, and say it did not run
        print(f"footprint benchmark failed: {error}", file=sys.stderr)
        return EXIT_FAILED
    finally:
        if wine_world is not None:
            wine_world.close()
        if arguments.keep:
            print(f"work directory kept: {work_dir}", file=sys.stderr)
        else:
            shutil.rmtree(work_dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
