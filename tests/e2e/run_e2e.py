#!/usr/bin/env python3
"""End-to-end tests of the real Quorvane.exe under Wine + Xvfb, driven the
way a person would use it, observed through small probe programs.

Usage:
    QUORVANE_EXE=/path/to/Quorvane.exe python3 tests/e2e/run_e2e.py
    python3 tests/e2e/run_e2e.py /path/to/Quorvane.exe [options]

Options:
    --test NAME      run only tests whose name contains NAME (repeatable)
    --list           list the tests and exit
    --artifacts DIR  logs, screenshots and probe dumps (default /tmp/quorvane-e2e)
    --keep           keep the work directory (template and test prefixes)

Runs the 32-bit build (the release) or the 64-bit build alike, whichever
it is given: the prefix, the Wine loader, the probes and the registry view
follow the program's width. Needs Wine of that width, Xvfb, imagemagick's
import and i686-w64-mingw32-g++ (x86_64-w64-mingw32-g++ for the 64-bit
build); python3 standard library only. It starts its own Xvfb, builds the
probes in tests/e2e/probes, makes one template prefix and gives each test a
fresh copy of it with its own wineserver. Prints "PASS name (secs)",
"FAIL name: reason" or "SKIP name: reason" (a whole test, or one check Wine
cannot make) per line and ends with
"e2e (32-bit build): N passed, N failed[, N skipped]". Exits non-zero if any
test failed.
"""

import argparse
import importlib
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep the source tree clean

from harness import cleanup, framework  # noqa: E402
from harness.test_run import TestRun  # noqa: E402

DEFAULT_ARTIFACTS = "/tmp/quorvane-e2e"
EXIT_FAILED = 1
EXIT_USAGE = 2


def parse_arguments():
    parser = argparse.ArgumentParser(description="Quorvane end-to-end tests under Wine")
    parser.add_argument("exe", nargs="?", default=os.environ.get("QUORVANE_EXE"))
    parser.add_argument("--test", action="append", default=[])
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--artifacts", default=DEFAULT_ARTIFACTS)
    parser.add_argument("--keep", action="store_true")
    return parser.parse_args()


def load_tests():
    for name in sorted(os.listdir(HERE)):
        if name.startswith("test_") and name.endswith(".py"):
            importlib.import_module(name[:-3])
    return framework.registered()


def select(tests, wanted):
    if not wanted:
        return tests
    return [test for test in tests if any(part in test[0] for part in wanted)]


def main():
    arguments = parse_arguments()
    tests = select(load_tests(), arguments.test)
    if arguments.list:
        print("\n".join(name for name, _, _ in tests))
        return 0
    if not tests:
        print("no test matches", arguments.test, file=sys.stderr)
        return EXIT_USAGE
    if not arguments.exe or not os.path.isfile(arguments.exe):
        print(f"Quorvane.exe not found: {arguments.exe!r} (set QUORVANE_EXE or pass the path)",
              file=sys.stderr)
        return EXIT_USAGE
    cleanup.install()
    os.makedirs(arguments.artifacts, exist_ok=True)
    started = time.monotonic()
    run = TestRun(os.path.abspath(arguments.exe), arguments.artifacts, arguments.keep)
    try:
        counts = prepare_and_run(run, tests)
    finally:
        run.close()
    print(f"e2e time: {time.monotonic() - started:.1f}s", flush=True)
    print(framework.summary(*counts, bits=run.bits), flush=True)
    return EXIT_FAILED if counts[1] else 0


def prepare_and_run(run, tests):
    """(passed, failed, skipped); a broken setup counts as one failure."""
    started = time.monotonic()
    try:
        run.prepare(os.path.join(HERE, "probes"))
    except Exception as error:
        print(f"FAIL setup: {error}", flush=True)
        return 0, 1, 0
    print(f"setup done ({time.monotonic() - started:.1f}s, display {run.display}, {run.wine}, "
          f"{run.bits}-bit build)", flush=True)
    return framework.run_all(run, tests)


if __name__ == "__main__":
    sys.exit(main())
