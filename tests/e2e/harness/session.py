"""One test's private Wine world: a fresh copy of the template prefix with its
own wineserver, the programs started in it, and the probes that look into it.
Closing the session kills that wineserver, whatever state the test left."""

import os
import shutil
import subprocess
import time

from . import cleanup, probes, wine

PROBE_TIMEOUT = 30
EXIT_TIMEOUT = 10
# Seconds before a second look at the processes, after a snapshot failed.
SNAPSHOT_RETRY_PAUSE = 0.5
RELAY_DEBUG = "+timestamp,+pid,+relay"


class Launched:
    """A program started by the test, with where its output went."""

    def __init__(self, process, stdout_path, stderr_path):
        self.process = process
        self.stdout_path = stdout_path
        self.stderr_path = stderr_path

    def stderr_text(self):
        with open(self.stderr_path, "rb") as stream:
            return stream.read().decode("utf-8", errors="replace")


class Session:
    def __init__(self, run, name, artifacts):
        self._run = run
        self.name = name
        self.artifacts = artifacts
        self.root = os.path.join(run.work_dir, "sessions", name)
        self.prefix = os.path.join(self.root, "prefix")
        self.env = wine.environment(self.prefix, run.display, run.home)
        self._launched = []
        os.makedirs(self.root)
        self._cleanup_key = cleanup.register(self.close)
        wine.clone_prefix(run.template, self.prefix)

    # -- paths inside the prefix --------------------------------------------

    def path(self, windows_path):
        return wine.unix_path(self.prefix, windows_path)

    def appdata(self):
        """The user's %APPDATA% folder (the user name is the Unix one)."""
        users = os.path.join(self.prefix, "drive_c", "users")
        names = [name for name in os.listdir(users) if name != "Public"]
        return os.path.join(users, names[0], "AppData", "Roaming")

    def read_file(self, windows_path):
        """The file's bytes, or None if it does not exist."""
        try:
            with open(self.path(windows_path), "rb") as stream:
                return stream.read()
        except FileNotFoundError:
            return None

    def map_drive(self, letter, directory):
        os.symlink(directory, os.path.join(self.prefix, "dosdevices", letter.lower() + ":"))

    # -- programs ------------------------------------------------------------

    def start(self, windows_path, label, relay=False):
        """Starts a Windows program as a user would (no arguments). With
        relay, its stderr (and its children's) gets the +relay trace."""
        env = dict(self.env, WINEDEBUG=RELAY_DEBUG) if relay else self.env
        stdout_path = os.path.join(self.artifacts, label + ".out")
        stderr_path = os.path.join(self.artifacts, label + ".err")
        with open(stdout_path, "wb") as out, open(stderr_path, "wb") as err:
            process = subprocess.Popen([wine.loader(), windows_path], env=env, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=err,
                                       cwd=os.path.join(self.prefix, "drive_c"))
        launched = Launched(process, stdout_path, stderr_path)
        self._launched.append(launched)
        return launched

    def probe(self, name, *args):
        return wine.run(self.env, [wine.loader(), self._run.probes[name], *args], timeout=PROBE_TIMEOUT)

    def desktops(self):
        return probes.parse_desktops(self.probe("desktops"))

    def input_desktop(self):
        """The name of the desktop that takes the keyboard and mouse now."""
        return self.probe("desktops", "--input").strip()

    def windows(self, desktop):
        return probes.parse_windows(self.probe("desktops", desktop))

    def processes(self):
        # Under Wine the process snapshot fails now and then while a process
        # of the prefix is ending (seen as the copy closed after its About
        # box); a second look is taken, and one that fails again stops the test.
        try:
            output = self.probe("processes")
        except RuntimeError:
            time.sleep(SNAPSHOT_RETRY_PAUSE)
            output = self.probe("processes")
        return probes.parse_processes(output)

    def post_message(self, desktop, class_name, title, message, wparam=0, lparam=0):
        """Posts to matching windows ("*": on every desktop); returns the
        (desktop, hwnd) pairs posted to."""
        output = self.probe("post_message", desktop, class_name, title, str(message),
                            str(wparam), str(lparam))
        return probes.parse_posted(output)

    def send_message(self, desktop, class_name, title, message, seconds, wparam=0, lparam=0):
        """Sends to matching windows, round after round for that many
        seconds, each send given 1 s; returns each window's Answers."""
        output = self.probe("post_message", desktop, class_name, title, str(message),
                            str(wparam), str(lparam), str(seconds))
        return probes.parse_sent(output)

    def starts_logged(self, windows_path):
        """What a copy of the recording probe installed at windows_path
        logged, one entry per start; [] if it never ran."""
        text = self.read_file(windows_path + ".log")
        return probes.parse_starts(text.decode("utf-8", errors="replace")) if text else []

    def install_recorder(self, windows_path):
        target = self.path(windows_path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(self._run.probes["record_start"], target)

    # -- diagnostics and shutdown -------------------------------------------

    def dump_state(self):
        """Writes what the probes see into the artifacts, for failed tests."""
        report = [f"# {os.path.basename(l.stdout_path)[:-4]}: exit code {l.process.poll()}"
                  for l in self._launched]
        try:
            report.append("# processes\n" + self.probe("processes"))
            for desktop in self.desktops():
                report.append(f"# windows on {desktop}\n" + self.probe("desktops", desktop))
        except Exception as error:  # a half-dead prefix should not hide the failure
            report.append(f"# probe failed: {error}")
        with open(os.path.join(self.artifacts, "state.txt"), "w") as out:
            out.write("\n".join(report))

    def close(self):
        cleanup.unregister(self._cleanup_key)
        wine.kill_server(self.env)
        for launched in self._launched:
            try:
                launched.process.wait(EXIT_TIMEOUT)
            except subprocess.TimeoutExpired:
                launched.process.kill()
                launched.process.wait()
        if not self._run.keep:
            cleanup.remove_tree(self.root)
