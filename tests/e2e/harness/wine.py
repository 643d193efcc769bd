"""Wine prefixes and the environment Wine runs in: the run's template prefix,
per-test copies of it, and stopping a prefix's wineserver. The program under
test decides the width of all of it: a 32-bit build runs in a 32-bit prefix
under the 32-bit loader, a 64-bit build in a 64-bit prefix under the 64-bit
loader, beside probes of the same width."""

import os
import shutil
import struct
import subprocess
import tempfile

# mscoree/mshtml: no Mono/Gecko install prompts. winemenubuilder: no menu
# entries or file associations written into the developer's home.
DLL_OVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
QUIET_DEBUG = "-all"
PREFIX_ARCH = {32: "win32", 64: "win64"}
# Debian's /usr/bin/wine starts the 32-bit loader whenever wine32 is
# installed, also on a machine whose kernel cannot run it; a 64-bit run
# names the 64-bit loader itself (on PATH in some Wines, beside the 32-bit
# one in Debian 12's).
LOADERS = {32: ("wine",), 64: ("wine64", "/usr/lib/wine/wine64", "wine")}
# The registry view a program of each width writes HKLM's Run key in.
REGISTRY_VIEW = {32: "/reg:32", 64: "/reg:64"}
PE_LFANEW_AT = 0x3C
PE_OPTIONAL_MAGIC_AT = 24
PE_MAGIC_BITS = {0x10B: 32, 0x20B: 64}
BOOT_TIMEOUT = 180
COMMAND_TIMEOUT = 60
KILL_TIMEOUT = 20
DEBUG_KEY = r"HKCU\Software\Wine\Debug"

# Wine's own DLLs, about 90% of a prefix, are only ever read during a test;
# hard links make a copy of the prefix nearly free. Everything else is copied,
# so nothing a test writes can reach the template.
SHARED_DIRS = (os.path.join("drive_c", "windows", "system32"),)


_width = {"bits": 32}


def program_bits(path):
    """32 or 64: the width of a Windows program, read from its PE header."""
    with open(path, "rb") as stream:
        data = stream.read(4096)
    if data[:2] != b"MZ":
        raise ValueError(f"{path} is not a Windows program")
    header = struct.unpack_from("<I", data, PE_LFANEW_AT)[0]
    magic = struct.unpack_from("<H", data, header + PE_OPTIONAL_MAGIC_AT)[0]
    if data[header:header + 4] != b"PE\0\0" or magic not in PE_MAGIC_BITS:
        raise ValueError(f"{path} has no PE32 or PE32+ header")
    return PE_MAGIC_BITS[magic]


def use_width_of(program):
    """Makes every prefix, loader and registry view of this run fit the
    program under test; returns its width in bits."""
    _width["bits"] = program_bits(program)
    return _width["bits"]


def bits():
    return _width["bits"]


def loader():
    """The command that runs a Windows program of this run's width."""
    candidates = LOADERS[bits()]
    return next((name for name in candidates if shutil.which(name)), candidates[-1])


def registry_view():
    return REGISTRY_VIEW[bits()]


def environment(prefix, display, home, debug=QUIET_DEBUG):
    env = {key: value for key, value in os.environ.items()
           if not key.startswith(("WINE", "XDG_"))}
    env.update(WINEPREFIX=str(prefix), DISPLAY=display, HOME=str(home),
               WINEDLLOVERRIDES=DLL_OVERRIDES, WINEDEBUG=debug)
    return env


def run(env, args, timeout=COMMAND_TIMEOUT, cwd=None):
    """Runs a command to completion and returns its stdout as text.

    Output goes through files, not pipes: the first Wine program in a prefix
    starts Wine's background services, which inherit its output handles and
    would hold a pipe open long after the program itself has exited."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                   stdout=out, stderr=err)
        try:
            returncode = process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise
        out.seek(0)
        err.seek(0)
        if returncode != 0:
            raise RuntimeError(f"{' '.join(map(str, args))} exited with {returncode}: "
                               f"{err.read().decode(errors='replace').strip()[-2000:]}")
        return out.read().decode("utf-8", errors="replace")


def wait_for_server(env, timeout=COMMAND_TIMEOUT):
    # The registry reaches the prefix's files only when the server exits.
    subprocess.run(["wineserver", "-w"], env=env, timeout=timeout, check=False)


def kill_server(env):
    subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=KILL_TIMEOUT, check=False)
    wait_for_server(env, KILL_TIMEOUT)


def create_template(env):
    boot_env = dict(env, WINEARCH=PREFIX_ARCH[bits()])
    run(boot_env, [loader(), "wineboot", "-i"], timeout=BOOT_TIMEOUT)
    wait_for_server(boot_env, BOOT_TIMEOUT)


def set_relay_functions(env, names):
    """Limits a +relay trace to these functions (bare names; a DLL prefix makes
    Wine log nothing at all). Takes effect for processes started afterwards."""
    run(env, [loader(), "reg", "add", DEBUG_KEY, "/v", "RelayInclude", "/t", "REG_SZ",
              "/d", ";".join(names), "/f"])
    wait_for_server(env)


def clone_prefix(template, destination):
    def copy(source, target):
        relative = os.path.relpath(source, template)
        if relative.startswith(SHARED_DIRS):
            os.link(source, target)
        else:
            shutil.copy2(source, target)

    shutil.copytree(template, destination, symlinks=True, copy_function=copy)


def unix_path(prefix, windows_path):
    """C:\\some\\path -> <prefix>/drive_c/some/path (drive C: only)."""
    drive, rest = windows_path[:2], windows_path[2:]
    if drive.lower() != "c:":
        raise ValueError(f"only drive C: paths map into the prefix: {windows_path}")
    parts = [part for part in rest.split("\\") if part]
    return os.path.join(prefix, "drive_c", *parts)
