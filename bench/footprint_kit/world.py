"""The Wine world the benchmark runs in: its own Xvfb and throwaway prefix,
a tray keeper that owns the traced notification area, and a long-lived
first Quorvane instance that made the desktops, so every measured start of
Quorvane is a second run. Closing it kills the prefix's wineserver and stops
the Xvfb, however the run ends."""

import os
import shutil
import subprocess
import tempfile
import time

from harness import cleanup, wine
from harness.display import VirtualDisplay

from . import probe_output, tray_watch
from .window_manager import WindowManager

APP_PATH = r"C:\Quorvane\Quorvane.exe"
BASELINE_PATH = r"C:\bench\baseline_tray.exe"
FLOOR_PATH = r"C:\bench\design_floor.exe"
# The baseline under another name, so that looking processes up by image
# name never confuses the keeper with a measured baseline.
KEEPER_PATH = r"C:\bench\tray_keeper.exe"
PROBE_PATH = r"C:\bench\probe_process.exe"
CLOSER_PATH = r"C:\bench\close_windows.exe"
SHELL_NAME = "explorer.exe"

# Four desktops: every start adds all four icons, as the baseline does.
SETTINGS = b"4\r\r\n"
SETTINGS_RELATIVE = os.path.join("Quorvane", "conf01.dat")
ICON_COUNT = 4

# The keeper's stderr is the tray's: only the tray's +systray lines matter,
# +pid tells the processes apart in the saved log.
TRACE_DEBUG = "-all,+pid,+systray"
ICONS_TIMEOUT = 30
# The first start makes three desktops, each a shell start, a 3 s pause and a
# copy; allow for a loaded machine.
FIRST_START_TIMEOUT = 90
FIRST_START_QUIET = 4.0
POLL_INTERVAL = 0.5
EXIT_TIMEOUT = 15
HELPER_TIMEOUT = 60
COPIES_EXPECTED = 4  # the first instance and one copy on each new desktop


class Program:
    """One measured start: the Unix process, which under Wine is the
    Windows process itself, and when the script spawned it."""

    def __init__(self, label, process, spawned):
        self.label = label
        self.process = process
        self.spawned = spawned
        self.windows_pid = None
        self.icons = None


class WineWorld:
    def __init__(self, work_dir, programs, with_window_manager=True):
        """programs: name -> Unix path of baseline_tray, design_floor,
        probe_process, close_windows, stand_in_shell and Quorvane."""
        self.work_dir = work_dir
        self.logs = os.path.join(work_dir, "logs")
        self.prefix = os.path.join(work_dir, "prefix")
        self.home = os.path.join(work_dir, "home")
        self._programs = programs
        self._display = VirtualDisplay(os.path.join(self.logs, "xvfb.log"))
        self._window_manager = (WindowManager(os.path.join(self.logs, "window-manager.log"))
                                if with_window_manager else None)
        self._started = []
        self.env = None
        self.tray = None
        self.resident_quorvane_pids = set()
        self.resident_hwnds = set()
        self._cleanup_key = cleanup.register(self.close)

    # -- setting up ----------------------------------------------------------

    def prepare(self):
        os.makedirs(self.logs, exist_ok=True)
        os.makedirs(self.home, exist_ok=True)
        display = self._display.start()
        wine.use_width_of(self._programs["Quorvane"])
        self.env = wine.environment(self.prefix, display, self.home)
        if self._window_manager is not None:
            self._window_manager.start(self.env)
        wine.create_template(self.env)
        system_root = wine.run(self.env, [wine.loader(), "cmd", "/c", "echo %SystemRoot%"]).strip()
        wine.kill_server(self.env)
        self._install("stand_in_shell", system_root + "\\" + SHELL_NAME)
        self._install("Quorvane", APP_PATH)
        self._install("baseline_tray", BASELINE_PATH)
        self._install("design_floor", FLOOR_PATH)
        self._install("baseline_tray", KEEPER_PATH)
        self._install("probe_process", PROBE_PATH)
        self._install("close_windows", CLOSER_PATH)
        self._write_settings()

    def _install(self, name, windows_path):
        target = wine.unix_path(self.prefix, windows_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(self._programs[name], target)

    def _write_settings(self):
        users = os.path.join(self.prefix, "drive_c", "users")
        user = next(name for name in os.listdir(users) if name != "Public")
        path = os.path.join(users, user, "AppData", "Roaming", SETTINGS_RELATIVE)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as stream:
            stream.write(SETTINGS)

    def start_tray_keeper(self):
        """The session's first program: Wine starts the tray for "Default"
        from it, so the tray inherits its trace settings and its stderr."""
        env = dict(self.env, WINEDEBUG=TRACE_DEBUG)
        process = subprocess.Popen([wine.loader(), KEEPER_PATH], env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                   cwd=os.path.join(self.prefix, "drive_c"))
        self._started.append(process)
        self.tray = tray_watch.TrayWatch(process.stderr, os.path.join(self.logs, "tray.log"))
        icons = self.tray.wait_icons(0.0, set(), ICON_COUNT, ICONS_TIMEOUT)
        self.resident_hwnds.add(icons.hwnd)

    def start_first_instance(self):
        """Quorvane's first instance: it creates "Desktop II" to "IV", starts
        the stand-in shell and a copy on each, and stays for the whole run."""
        first = self.launch(APP_PATH, "first-instance")
        first.icons = self.tray.wait_icons(first.spawned, self.resident_hwnds, ICON_COUNT,
                                           ICONS_TIMEOUT)
        self.resident_hwnds.add(first.icons.hwnd)
        self.resident_quorvane_pids = self._wait_for_copies()

    def _wait_for_copies(self):
        deadline = time.monotonic() + FIRST_START_TIMEOUT
        last, since = None, time.monotonic()
        while time.monotonic() < deadline:
            pids = frozenset(record.pid for record in self.probe("Quorvane.exe"))
            if pids != last:
                last, since = pids, time.monotonic()
            elif len(pids) == COPIES_EXPECTED and time.monotonic() - since >= FIRST_START_QUIET:
                return set(pids)
            time.sleep(POLL_INTERVAL)
        raise TimeoutError(f"first instance did not settle with {COPIES_EXPECTED} copies "
                           f"(last seen Windows pids: {sorted(last or ())})")

    # -- running programs ----------------------------------------------------

    def launch(self, windows_path, label):
        """Starts a program as a user would; its quiet output goes to logs."""
        with open(os.path.join(self.logs, label + ".err"), "wb") as err:
            spawned = time.monotonic()
            process = subprocess.Popen([wine.loader(), windows_path], env=self.env,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                       stderr=err, cwd=os.path.join(self.prefix, "drive_c"))
        self._started.append(process)
        return Program(label, process, spawned)

    def probe(self, image_name):
        """probe_process.exe's records for every process of that image."""
        return probe_output.parse(self._helper([PROBE_PATH, image_name]))

    def _helper(self, args):
        """Runs a helper to its end and returns its output, whatever its
        exit code. Output goes through a file: Wine's background services
        could inherit a pipe and hold it open."""
        with tempfile.TemporaryFile() as out:
            subprocess.run([wine.loader(), *args], env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=HELPER_TIMEOUT, check=False)
            out.seek(0)
            return out.read().decode("utf-8", errors="replace")

    def close_program(self, program, message, wparam):
        """Ends a measured program through its own windows and waits."""
        self._helper([CLOSER_PATH, str(program.windows_pid), str(message), str(wparam)])
        try:
            program.process.wait(EXIT_TIMEOUT)
        except subprocess.TimeoutExpired:
            program.process.kill()
            program.process.wait()
            raise RuntimeError(f"{program.label} did not end after message {message}")

    # -- shutting down -------------------------------------------------------

    def close(self):
        cleanup.unregister(self._cleanup_key)
        if self.env is not None:
            wine.kill_server(self.env)
        for process in self._started:
            try:
                process.wait(EXIT_TIMEOUT)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        if self._window_manager is not None:
            self._window_manager.stop()
        self._display.stop()
