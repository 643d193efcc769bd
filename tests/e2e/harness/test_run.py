"""What the whole run shares: the probes, one Xvfb, and the template prefix
that every test copies. Built once, torn down at the end however it ends."""

import os
import shutil
import tempfile

from . import cleanup, probes, wine, wine_kind
from .display import VirtualDisplay

# Where the program under test lives in every prefix. Copying it in keeps a
# run independent of a build directory that others may be rebuilding.
APP_PATH = r"C:\Quorvane\Quorvane.exe"
# The shell Quorvane starts on a new desktop. Wine keeps its own explorer in
# system32 for the "Default" desktop; only this one is replaced.
SHELL_NAME = "explorer.exe"
RELAY_FUNCTIONS = ("OpenDesktopW", "CreateDesktopW", "SwitchDesktop", "CloseDesktop",
                   "CreateProcessW", "MessageBoxW")


class TestRun:
    def __init__(self, exe, artifacts, keep):
        self.exe = exe
        self.artifacts = artifacts
        self.keep = keep
        self.work_dir = tempfile.mkdtemp(prefix="quorvane-e2e-")
        self.home = os.path.join(self.work_dir, "home")
        self.template = os.path.join(self.work_dir, "template")
        self.display = None
        self.probes = {}
        self.system_root = None
        self.wine = None
        self.bits = None
        self._display = VirtualDisplay(os.path.join(artifacts, "xvfb.log"))
        self._cleanup_key = cleanup.register(self.close)

    @property
    def shell_path(self):
        return self.system_root + "\\" + SHELL_NAME

    def prepare(self, probe_sources):
        os.makedirs(self.home)
        self.bits = wine.use_width_of(self.exe)
        self.wine = wine_kind.detect()
        self.probes = probes.build_all(probe_sources, os.path.join(self.work_dir, "probes"))
        self.display = self._display.start()
        env = wine.environment(self.template, self.display, self.home)
        wine.create_template(env)
        wine.set_relay_functions(env, RELAY_FUNCTIONS)
        self.system_root = wine.run(env, [wine.loader(), "cmd", "/c", "echo %SystemRoot%"]).strip()
        wine.kill_server(env)
        self._install(self.probes["record_start"], self.shell_path)
        self._install(self.exe, APP_PATH)

    def _install(self, source, windows_path):
        target = wine.unix_path(self.template, windows_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(source, target)

    def screenshot(self, path):
        if self.display:
            self._display.screenshot(path)

    def close(self):
        cleanup.unregister(self._cleanup_key)
        self._display.stop()
        if not self.keep:
            cleanup.remove_tree(self.work_dir)
