#!/usr/bin/env python3
"""Checks of the benchmark's own reading of its sources (the tray trace,
/proc, the probe's output) and of the target verdicts, on recorded text.
Run: python3 bench/test_footprint_kit.py"""

import json
import os
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True

import footprint  # noqa: E402
from footprint_kit import build, linux_proc, measure, probe_output, report, tray_watch  # noqa: E402

QUORVANE_HWND = 0x10080
KEEPER_HWND = 0x10048


def add_lines(stamp, hwnd, icon_id, count):
    """What the tray prints for one shown icon, as (time, line) pairs."""
    prefix = "00c4:00c8:trace:systray:"
    return [(stamp, f"{prefix}add_icon id=0x{icon_id:x}, hwnd={hwnd:08X}"),
            (stamp, f"{prefix}modify_icon id=0x{icon_id:x} hwnd={hwnd:08X} flags=7"),
            (stamp + 0.001, f"{prefix}add_to_standalone_tray added {icon_id} now {count} icons")]


class TrayTraceTest(unittest.TestCase):
    def test_icon_time_is_when_the_tray_showed_it(self):
        shown = tray_watch.shown_icons(add_lines(1.0, QUORVANE_HWND, 68, 5))
        self.assertEqual(shown, [tray_watch.IconShown(1.001, QUORVANE_HWND, 68)])

    def test_needs_all_four_ids_of_one_new_window(self):
        lines = add_lines(0.5, KEEPER_HWND, 68, 1)
        for offset, icon_id in enumerate((68, 51, 34)):
            lines += add_lines(2.0 + offset, QUORVANE_HWND, icon_id, 2 + offset)
        lines += add_lines(2.5, KEEPER_HWND, 51, 5)  # an old window's late icon
        shown = tray_watch.shown_icons(lines)
        self.assertIsNone(tray_watch.new_icon_set(shown, 1.0, {KEEPER_HWND}, 4))
        shown = tray_watch.shown_icons(lines + add_lines(9.0, QUORVANE_HWND, 17, 6))
        found = tray_watch.new_icon_set(shown, 1.0, {KEEPER_HWND}, 4)
        self.assertEqual(found, tray_watch.IconSet(QUORVANE_HWND, 2.001, 9.001))

    def test_icons_before_the_start_and_repeats_do_not_count(self):
        lines = add_lines(0.2, QUORVANE_HWND, 68, 1) + add_lines(0.3, QUORVANE_HWND, 51, 2)
        lines += add_lines(2.0, QUORVANE_HWND, 34, 3) + add_lines(2.1, QUORVANE_HWND, 34, 3)
        lines += add_lines(2.2, QUORVANE_HWND, 17, 4)
        shown = tray_watch.shown_icons(lines)
        self.assertIsNone(tray_watch.new_icon_set(shown, 1.0, set(), 4))
        self.assertEqual(tray_watch.new_icon_set(shown, 1.0, set(), 2).last, 2.201)

    def test_an_added_line_without_its_request_is_ignored(self):
        lines = [(1.0, "trace:systray:add_to_standalone_tray added 68 now 1 icons")]
        self.assertEqual(tray_watch.shown_icons(lines), [])


class TrayWatchThreadTest(unittest.TestCase):
    """The reader thread against a real pipe, as the keeper's stderr is."""

    def setUp(self):
        read_end, self.write_end = os.pipe()
        self.log = tempfile.NamedTemporaryFile(delete=False)
        self.addCleanup(os.remove, self.log.name)
        self.watch = tray_watch.TrayWatch(os.fdopen(read_end, "rb"), self.log.name)
        self.addCleanup(self._close_writer)

    def _close_writer(self):
        os.close(self.write_end)
        self.watch.join(timeout=5)

    def write(self, icon_ids, hwnd):
        text = "".join(line + "\n" for icon_id in icon_ids
                       for _, line in add_lines(0.0, hwnd, icon_id, 1))
        os.write(self.write_end, text.encode())

    def test_wakes_up_for_icons_written_while_waiting(self):
        since = time.monotonic()
        self.write((68, 51), KEEPER_HWND)
        later = threading.Timer(0.2, self.write, ((68, 51, 34, 17), QUORVANE_HWND))
        later.start()
        self.addCleanup(later.cancel)
        found = self.watch.wait_icons(since, {KEEPER_HWND}, 4, timeout=5)
        self.assertEqual(found.hwnd, QUORVANE_HWND)
        self.assertGreaterEqual(found.last - since, 0.15)

    def test_gives_up_after_the_timeout(self):
        self.write((68, 51, 34), QUORVANE_HWND)
        started = time.monotonic()
        with self.assertRaises(TimeoutError):
            self.watch.wait_icons(0.0, set(), 4, timeout=0.3)
        self.assertLess(time.monotonic() - started, 3)


STATUS = """Name:\tQuorvane.exe
VmPeak:\t  300000 kB
VmHWM:\t   23340 kB
VmRSS:\t   23336 kB
RssAnon:\t    6500 kB
"""
ROLLUP = """00010000-ffff0000 ---p 00000000 00:00 0                                  [rollup]
Rss:               23336 kB
Pss:                7132 kB
Private_Clean:        12 kB
Private_Dirty:      6490 kB
"""
SMAPS = """67bc0000-67bc1000 r--p 00000000 08:01 42   /usr/lib/wine/i386-windows/comctl32.dll
Size:                  4 kB
Rss:                   4 kB
VmFlags: rd mr mw me
67bc1000-67c80000 r-xp 00001000 08:01 42   /usr/lib/wine/i386-windows/comctl32.dll
Rss:                 700 kB
00400000-00401000 rw-p 00000000 00:00 0
Rss:                   8 kB
7f000000-7f001000 r--p 00000000 08:01 7    /tmp/a dir/with space.dll
Rss:                  16 kB
"""


class ProcFilesTest(unittest.TestCase):
    def test_this_kernel_has_the_fields_read(self):
        memory = linux_proc.memory(os.getpid())
        self.assertGreaterEqual(memory.peak_ws, memory.ws)
        self.assertGreater(memory.ws, memory.private)
        before = linux_proc.cpu(os.getpid())
        deadline = time.monotonic() + 0.05
        while time.monotonic() < deadline:
            pass
        after = linux_proc.cpu(os.getpid())
        self.assertGreater(after.run_ns - before.run_ns, 20 * linux_proc.NS_PER_MS)
        self.assertIn("[heap]", linux_proc.mappings(os.getpid()))

    def test_memory_figures_come_from_the_right_fields(self):
        memory = linux_proc.parse_memory(STATUS, ROLLUP)
        self.assertEqual(memory, linux_proc.Memory(23340 * 1024, 23336 * 1024,
                                                   (12 + 6490) * 1024, 7132 * 1024))

    def test_cpu_ticks_survive_a_command_name_with_spaces_and_parentheses(self):
        stat = "4242 (wine (x) y) S 1 4242 4242 0 -1 4194560 1 0 0 0 37 5 0 0 20 0 3 0"
        self.assertEqual(linux_proc.parse_tick_ms(stat, 100), 420.0)

    def test_resident_memory_adds_up_per_file_and_anonymous(self):
        resident = linux_proc.parse_mappings(SMAPS)
        self.assertEqual(resident, {"comctl32.dll": 704 * 1024, "[anon]": 8 * 1024,
                                    "with space.dll": 16 * 1024})


def probe_line(pid, ws, kernel):
    return "\t".join(map(str, (pid, ws, ws, 0, kernel, 0, 0, 0, 0)))


class ProbeOutputTest(unittest.TestCase):
    def test_only_complete_numeric_lines_are_records(self):
        text = "\r\n".join([probe_line(32, 1000, 5), "usage: probe", "1\t2\t3",
                            probe_line(40, 2000, 5) + "\r"])
        self.assertEqual([r.pid for r in probe_output.parse(text)], [32, 40])

    def test_figures_equal_for_every_process_were_not_measured(self):
        records = probe_output.parse("\n".join([probe_line(32, 1000, 200000),
                                                probe_line(40, 2000, 200000)]))
        self.assertEqual(probe_output.unreported(records),
                         ["private", "kernel_100ns", "user_100ns", "handles", "gdi_objects",
                          "user_objects"])
        self.assertEqual(probe_output.unreported(records[:1]), [])


def rows(start, peak, ws, cpu):
    """Each figure: (Quorvane, baseline, design floor) runs."""
    make = report.Row
    return {"start_last": make("start_last", "start", "ms", *start),
            "peak_ws": make("peak_ws", "peak", "KiB", *peak),
            "ws": make("ws", "ws", "KiB", *ws),
            "idle_cpu": make("idle_cpu", "cpu", "ms", *cpu)}


SAME = ([1], [1], [1])


class VerdictTest(unittest.TestCase):
    def met(self, by_key, exe_kib=100.0, floor_kib=100.0):
        return [verdict.met for verdict in report.verdicts(by_key, exe_kib, floor_kib)]

    def test_start_and_memory_are_checked_on_medians_against_the_floor(self):
        # One slow outlier does not decide; the median of 114, 115, 900 does.
        # The baseline, far below, decides nothing.
        by_key = rows(([114, 115, 900], [50], [100, 100, 100]), ([115], [50], [100]),
                      ([116], [50], [100]), SAME)
        self.assertEqual(self.met(by_key)[:3], [True, True, False])

    def test_idle_cpu_passes_on_either_the_ratio_or_the_slack_over_the_baseline(self):
        within_slack = rows(SAME, SAME, SAME, ([19.0], [0.0], [50.0]))
        within_ratio = rows(SAME, SAME, SAME, ([150.0], [100.0], [0.0]))
        neither = rows(SAME, SAME, SAME, ([45.0], [20.0], [45.0]))
        self.assertTrue(self.met(within_slack)[3])
        self.assertTrue(self.met(within_ratio)[3])
        self.assertFalse(self.met(neither)[3])

    def test_size_at_most_180_kib_and_the_stretch_within_1_25x_the_floor(self):
        by_key = rows(SAME, SAME, SAME, SAME)
        self.assertEqual(self.met(by_key, 180.0, 144.0)[4:], [True, True])
        self.assertEqual(self.met(by_key, 180.5, 200.0)[4:], [False, True])
        self.assertEqual(self.met(by_key, 100.0, 79.9)[4:], [True, False])

    def test_ratio_against_a_zero_baseline(self):
        self.assertEqual(report.ratio(0.0, 0.0), "n/a")
        self.assertEqual(report.ratio(0.7, 0.0), "inf")
        self.assertEqual(report.ratio(3.0, 2.0), "1.50x")


class ReportTest(unittest.TestCase):
    def test_mapping_differences_largest_first_and_only_real_ones(self):
        quorvane = {"comctl32.dll": 1220 * 1024, "[anon]": 3972 * 1024, "libc.so.6": 100 * 1024}
        baseline = {"[anon]": 1940 * 1024, "libc.so.6": 100 * 1024, "only_base.dll": 8 * 1024}
        lines = report.mapping_difference(quorvane, baseline, 10).splitlines()
        self.assertEqual(lines, ["  [anon]: 3972 vs 1940 KiB (+2032)",
                                 "  comctl32.dll: 1220 vs 0 KiB (+1220)",
                                 "  only_base.dll: 0 vs 8 KiB (-8)"])

    def test_table_columns_line_up(self):
        rows = [report.Row("a", "start", "ms", [2199.0, 2086.0, 2271.0], [123.0, 68.3, 152.0]),
                report.Row("b", "size", "KiB", [269.0], [55.0])]
        lines = report.table(rows).splitlines()
        self.assertEqual(len({line.index("|") for line in lines if "|" in line}), 1)
        self.assertIn("2199 (2086..2271)", lines[2])
        self.assertIn("| 269 ", lines[3])
        self.assertIn("4.89x", lines[3])

    def test_floor_columns_compare_quorvane_with_the_floor(self):
        with_floor = report.Row("a", "start", "ms", [190.0, 180.0, 200.0], [139.0],
                                [170.0, 160.0, 175.0])
        without = report.Row("b", "size", "KiB", [269.0], [55.0])
        lines = report.table([with_floor, without]).splitlines()
        cells = [[cell.strip() for cell in line.split("|")] for line in lines[2:]]
        self.assertEqual(cells[0][-2:], ["170 (160..175)", "1.12x"])
        self.assertEqual(cells[1][-2:], ["n/a", "n/a"])


class RoundOrderTest(unittest.TestCase):
    def test_each_program_goes_first_in_turn_and_every_round_has_all(self):
        firsts = [measure.order_for(index)[0].name for index in range(6)]
        self.assertEqual(firsts, ["quorvane", "baseline", "floor"] * 2)
        for index in range(6):
            names = [kind.name for kind in measure.order_for(index)]
            self.assertEqual(sorted(names), ["baseline", "floor", "quorvane"])


class BuildInfoTest(unittest.TestCase):
    def test_size_flags_of_the_named_source_and_its_link_line(self):
        with tempfile.TemporaryDirectory() as build_dir:
            commands = [
                {"file": "/r/other.cpp", "command": "g++ -O0 -g -c /r/other.cpp"},
                {"file": "/r/win_main.cpp",
                 "command": "g++ -DX -O3 -Wall -ffunction-sections -Os -std=c++20 -c a.cpp"},
            ]
            with open(os.path.join(build_dir, "compile_commands.json"), "w") as stream:
                json.dump(commands, stream)
            target = os.path.join(build_dir, "t")
            os.makedirs(target)
            with open(os.path.join(target, "link.txt"), "w") as stream:
                stream.write("cmake -E rm -f objects.a\n"
                             "g++ -O3 -mwindows -static -Wl,--gc-sections -s x.a -o Q.exe "
                             "-lshell32\n")
            compile_flags, link_flags = build.target_flags(build_dir, "t", "win_main.cpp")
        self.assertEqual(compile_flags, ["-O3", "-ffunction-sections", "-Os", "-std=c++20"])
        self.assertEqual(link_flags, ["-O3", "-mwindows", "-static", "-Wl,--gc-sections", "-s"])

    def test_missing_build_files_are_reported_as_missing(self):
        with tempfile.TemporaryDirectory() as build_dir:
            self.assertEqual(build.target_flags(build_dir, "t", "x.cpp"), (None, None))


class SourceVersionTest(unittest.TestCase):
    def test_only_changes_that_can_reach_the_program_are_listed(self):
        porcelain = "\n".join([" M tests/e2e/harness/tray.py", "?? bench/",
                                " M app/switcher_dialog.cpp",
                                "R  tests/old.py -> platform/win32/new.cpp", "?? res/new.ico"])
        self.assertEqual(footprint.changes_in_program(porcelain),
                         ["app/switcher_dialog.cpp", "platform/win32/new.cpp", "res/new.ico"])


if __name__ == "__main__":
    unittest.main()
