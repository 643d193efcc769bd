"""The Windows Installer package (build/windows/Quorvane-<version>.msi, made
by scripts/build-windows.sh), installed, upgraded and removed by Wine's
msiexec quietly, as a deployment tool does. The package always holds the
32-bit release: a 64-bit prefix installs it into "Program Files (x86)" and
writes its Run value in the 32-bit view, as 64-bit Windows does."""

import os
import re
import shutil
import subprocess
import sys

from harness import run_key, tray, wine
from harness.framework import e2e_test
from harness.prepared_start import settings_line, start_traced, write_settings
from harness.quorvane import NEW_DESKTOPS
from harness.systray_trace import TrayTrace
from harness.test_run import APP_PATH

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RELEASE = os.path.join(ROOT, "build", "windows")
RELEASE_EXE = os.path.join(RELEASE, "platform", "win32", "Quorvane.exe")
README = os.path.join(ROOT, "dist", "ReadMe.txt")
ICON = os.path.join(ROOT, "res", "app.ico")
# Lower in the first three parts, the only ones Windows Installer compares.
OLDER_VERSION = "0.9.0.0"
PUBLISHER = "Quorvane developers"
# ERROR_INSTALL_FAILURE (1603), as a Unix exit status keeps its low 8 bits.
INSTALL_FAILURE = 1603 & 0xFF
PACKAGE_FOLDER = "C:\\packages"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
START_MENU = os.path.join("Microsoft", "Windows", "Start Menu", "Programs", "Quorvane.lnk")
ALL_USERS_START_MENU = "C:\\ProgramData\\" + START_MENU.replace(os.sep, "\\")
# The release signed with a throwaway certificate by scripts/check_reproducible.sh.
SIGNED = os.path.join(ROOT, "build", "signed-release")
SIGNED_PASSWORD = "throwaway"
MSIEXEC_TIMEOUT = 120
TEST_TIMEOUT = 240
_VALUE_LINE = re.compile(r"^\s+(\S+)\s+REG_\w+\s+(.*?)\s*$")


def version():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as stream:
        return re.search(r"project\(Quorvane VERSION ([0-9.]+)", stream.read())[1]


def release_package():
    path = os.path.join(RELEASE, f"Quorvane-{version()}.msi")
    assert os.path.isfile(path), f"no package at {path}: build it with scripts/build-windows.sh"
    return path


def install_folder():
    # The package is 32-bit: 64-bit Windows puts it under "Program Files (x86)".
    return "C:\\Program Files (x86)\\Quorvane" if wine.bits() == 64 else "C:\\Program Files\\Quorvane"


def quoted_program_path():
    """What the program's own "Run at startup" writes when run from there."""
    return f'"{install_folder()}\\Quorvane.exe"'


def read_bytes(path):
    with open(path, "rb") as stream:
        return stream.read()


def offer(session, package, name=None):
    """Puts a package where a user would run it from; its path in Windows."""
    name = name or os.path.basename(package)
    os.makedirs(session.path(PACKAGE_FOLDER), exist_ok=True)
    shutil.copy(package, os.path.join(session.path(PACKAGE_FOLDER), name))
    return PACKAGE_FOLDER + "\\" + name


def msiexec(session, *arguments):
    """msiexec's exit code: 0 installed or removed, INSTALL_FAILURE refused."""
    # No pipes: the services Wine starts inherit them and would outlive msiexec.
    return subprocess.run([wine.loader(), "msiexec", *arguments], env=session.env,
                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=MSIEXEC_TIMEOUT).returncode


def apps_entries(session):
    """[{value: data}] of every entry in Settings > Apps named "Quorvane".
    Settings lists both registry views; a 32-bit package's entry is in the
    32-bit one of a 64-bit system."""
    views = (run_key.THIRTY_TWO_BIT_VIEW, "/reg:64") if wine.bits() == 64 else ("/reg:32",)
    entries = {}
    for view in views:
        output = wine.run(session.env, [wine.loader(), "reg", "query", UNINSTALL_KEY, "/s", view])
        current = None
        for line in output.splitlines():
            if line.startswith("HKEY_"):
                # Where the two views share a key, its entries show in both.
                current = entries.setdefault(line.strip().lower(), {})
            elif current is not None and (match := _VALUE_LINE.match(line)):
                current[match[1]] = match[2]
    return [entry for entry in entries.values() if entry.get("DisplayName") == "Quorvane"]


def shortcuts(session):
    """The Start menu's "Quorvane" shortcuts: (all users?, path) of each."""
    found = [(True, session.path(ALL_USERS_START_MENU)),
             (False, os.path.join(session.appdata(), START_MENU))]
    return [(common, path) for common, path in found if os.path.exists(path)]


def assert_installed(session, package_version):
    """Checks the installed files, shortcut and Apps entry; returns whether
    the shortcut is in the Start menu of all users."""
    folder = install_folder()
    assert session.read_file(folder + "\\Quorvane.exe") == read_bytes(RELEASE_EXE), \
        f"{folder}\\Quorvane.exe is missing or not the release's program"
    assert session.read_file(folder + "\\ReadMe.txt") == read_bytes(README), \
        f"{folder}\\ReadMe.txt is missing or not the release's"
    links = shortcuts(session)
    assert len(links) == 1, f"expected one Start menu shortcut, found {links}"
    common, link = links[0]
    target = f"{folder}\\Quorvane.exe"
    content = read_bytes(link)
    assert target.encode() in content or target.encode("utf-16-le") in content, \
        f"the shortcut {link} does not start {target}"
    entries = apps_entries(session)
    assert [(entry.get("DisplayVersion"), entry.get("Publisher")) for entry in entries] == \
        [(package_version, PUBLISHER)], f"Settings > Apps shows {entries}"
    return common


def package_properties(package):
    """{name: value} of the package's Property table, as msitools reads it."""
    output = subprocess.run(["msiinfo", "export", package, "Property"], check=True,
                            capture_output=True, text=True).stdout
    # Past the three header lines: column names, types, table name.
    return dict(line.split("\t", 1) for line in output.splitlines()[3:] if "\t" in line)


def tell_where_the_shortcut_is(ctx, for_all_users):
    if for_all_users:
        ctx.made_check("the shortcut is in the Start menu of all users")
    else:
        ctx.skip_check("Wine's msiexec puts a per-machine package's shortcut in the"
                       " installing user's Start menu; Windows puts it in all users'")


def assert_removed(session):
    folder = install_folder()
    assert not os.path.exists(session.path(folder)), f"{folder} is left behind"
    assert not shortcuts(session), f"shortcuts left behind: {shortcuts(session)}"
    assert not apps_entries(session), f"Settings > Apps still shows {apps_entries(session)}"
    assert run_key.run_value(session, run_key.THIRTY_TWO_BIT_VIEW) is None, \
        "the Run value is left behind"


@e2e_test(timeout=TEST_TIMEOUT)
def package_installs_quietly_for_every_user_and_uninstalls_without_a_trace(ctx):
    # Closing the running copies would leave whoever is on Desktop II-IV
    # without a way back; Wine's msiexec has no Restart Manager to show it.
    properties = package_properties(release_package())
    assert properties.get("MSIRESTARTMANAGERCONTROL") == "Disable", \
        "the package lets Windows Installer close the running copies"
    # A double-clicked install searches as the user; only a secure property
    # reaches its elevated part, where the Run value's condition is read.
    # Wine runs every install elevated and cannot show it.
    assert "QUORVANE_RUN_VALUE" in properties.get("SecureCustomProperties", "").split(";"), \
        "the Run value found before an upgrade would not reach the elevated install"
    session = ctx.session()
    package = offer(session, release_package())
    assert msiexec(session, "/i", package, "/qn") == 0, "the quiet install failed"
    tell_where_the_shortcut_is(ctx, assert_installed(session, version()))
    assert run_key.run_value(session, run_key.THIRTY_TWO_BIT_VIEW) == quoted_program_path(), \
        "the start at logon is not the installed program's quoted path"

    assert msiexec(session, "/x", package, "/qn") == 0, "the quiet uninstall failed"
    assert_removed(session)

    # An administrator who does not want it started at logon leaves the
    # feature out; the rest installs as before.
    assert msiexec(session, "/i", package, "ADDLOCAL=Main", "/qn") == 0, \
        "the install without AutoStart failed"
    assert_installed(session, version())
    assert run_key.run_value(session, run_key.THIRTY_TWO_BIT_VIEW) is None, \
        "ADDLOCAL=Main wrote the Run value"
    assert msiexec(session, "/x", package, "/qn") == 0, "the second uninstall failed"
    assert_removed(session)


def newer_version():
    """Higher than the release in the first three parts, so that it upgrades it."""
    major, minor, build = version().split(".")[:3]
    return f"{major}.{minor}.{int(build) + 1}.0"


def build_package(folder, package_version, readme_text=None):
    """The release's program packed as another version: with a ReadMe of
    its own text, so that an upgrade shows which one's files are in place,
    or with the release's."""
    readme = README
    if readme_text is not None:
        readme = os.path.join(folder, "ReadMe.txt")
        with open(readme, "w", newline="\r\n") as stream:
            stream.write(readme_text)
    package = os.path.join(folder, f"Quorvane-{package_version}.msi")
    subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "make_installer.py"),
                    "--source", ROOT, "--version", package_version, "--output", package,
                    RELEASE_EXE, readme, ICON], check=True, stdout=subprocess.DEVNULL)
    return package


def remove_run_value_as_documented(session):
    """What a user who no longer wants it at logon does: the README's command."""
    run_key.type_at_prompt(session, run_key.documented_removal_commands()["README.md"][0])
    assert run_key.run_value(session, run_key.THIRTY_TWO_BIT_VIEW) is None, \
        "the README's command left the Run value"


@e2e_test(timeout=TEST_TIMEOUT)
def package_replaces_an_older_version_in_place_and_refuses_a_downgrade(ctx):
    session = ctx.session()
    older = offer(session, build_package(ctx.artifacts, OLDER_VERSION, f"Quorvane {OLDER_VERSION}\n"))
    release = offer(session, release_package())
    newer = offer(session, build_package(ctx.artifacts, newer_version()))
    assert msiexec(session, "/i", older, "/qn") == 0, "the older package did not install"
    assert [entry.get("DisplayVersion") for entry in apps_entries(session)] == [OLDER_VERSION]

    # The start at logon the user kept is kept, with the installed program's path.
    assert msiexec(session, "/i", release, "/qn") == 0, "the upgrade failed"
    assert_installed(session, version())
    assert run_key.run_value(session, run_key.THIRTY_TWO_BIT_VIEW) == quoted_program_path(), \
        "the upgrade lost the start at logon"

    # One the user removed stays removed: through a repair, whose default
    # mode ("omus") rewrites the machine's registry entries, and through an
    # upgrade. Wine's `msiexec /f PACKAGE` answers "unknown product" (1605);
    # the properties below are what /f sets on Windows.
    remove_run_value_as_documented(session)
    assert msiexec(session, "/i", release, "REINSTALL=ALL", "REINSTALLMODE=omus", "/qn") == 0, \
        "the repair failed"
    assert run_key.run_value(session, run_key.THIRTY_TWO_BIT_VIEW) is None, \
        "the repair wrote back the start at logon the user had removed"
    assert msiexec(session, "/i", newer, "/qn") == 0, "the second upgrade failed"
    assert_installed(session, newer_version())
    assert run_key.run_value(session, run_key.THIRTY_TWO_BIT_VIEW) is None, \
        "the upgrade wrote back the start at logon the user had removed"

    # Wine's msiexec neither shows nor logs the refusal's text in a quiet
    # install; Windows logs it. The refusal and its effect are the same.
    assert msiexec(session, "/i", older, "/qn") == INSTALL_FAILURE, "the downgrade was not refused"
    assert_installed(session, newer_version())


def signed_program(ctx):
    """The signed release, or where this run's Wine cannot start a 32-bit
    program, this run's own program signed alike."""
    if ctx.run.bits == 32:
        return os.path.join(SIGNED, "Quorvane.exe")
    program = os.path.join(ctx.artifacts, "Quorvane-signed.exe")
    subprocess.run(["osslsigncode", "sign", "-pkcs12", os.path.join(SIGNED, "signer.p12"),
                    "-pass", SIGNED_PASSWORD, "-h", "sha256", "-in", ctx.run.exe, "-out", program],
                   check=True, stdout=subprocess.DEVNULL)
    return program


@e2e_test(timeout=TEST_TIMEOUT)
def signed_release_starts_with_its_icons_and_its_package_installs_and_uninstalls(ctx):
    if not os.path.isdir(SIGNED):
        ctx.skip_check("no signed release to try: scripts/check_reproducible.sh makes one")
        return
    session = ctx.session()
    count = 4
    shutil.copyfile(signed_program(ctx), session.path(APP_PATH))
    write_settings(session, settings_line(count))
    trace = TrayTrace(start_traced(session, "signed").stderr_path)
    tray.wait_first_icons(trace)
    tray.wait_all_copies(trace, tray.icon_ids(count), 1 + len(NEW_DESKTOPS))

    signed_package = os.path.join(SIGNED, f"Quorvane-{version()}.msi")
    package = offer(session, signed_package)
    assert msiexec(session, "/i", package, "/qn") == 0, "the signed package did not install"
    installed = install_folder() + "\\Quorvane.exe"
    assert session.read_file(installed) == read_bytes(os.path.join(SIGNED, "Quorvane.exe")), \
        f"{installed} is not the signed program"
    assert msiexec(session, "/x", package, "/qn") == 0, "the signed package did not uninstall"
    assert_removed(session)
