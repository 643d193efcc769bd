"""A DLL that someone left beside Quorvane.exe under a system DLL's name.

The plant is uxtheme.dll, which the common controls load to draw the visual
styles. Wine prefers its own DLLs; with uxtheme=n,b it searches the way
Windows does for a DLL that is not a known DLL, the program's folder first.
A program that loads the common controls before restricting the search
(as Quorvane once did) loads the plant, and then fails on its missing
functions. Quorvane must go through start, options, About and Exit without
it, while a program in the same folder that does not restrict the search
still gets it, which shows the plant would have been found."""

import ntpath
import shutil

from harness import dialogs, tray, wine
from harness.framework import e2e_test
from harness.options_user import OptionsUser
from harness.quorvane import app_processes
from harness.test_run import APP_PATH
from harness.waiting import WaitTimeout, wait_until

PLANTED_NAME = "uxtheme.dll"
FOLDER = ntpath.dirname(APP_PATH)
PLANT_PATH = ntpath.join(FOLDER, PLANTED_NAME)
# Loads the plant by name from the same folder, as a program without the
# restriction would.
LOADER_PATH = ntpath.join(FOLDER, "load_library.exe")
EXIT_TIMEOUT = 20


def plant(ctx, session):
    overrides = session.env["WINEDLLOVERRIDES"]
    session.env = dict(session.env,
                       WINEDLLOVERRIDES=f"{overrides};{ntpath.splitext(PLANTED_NAME)[0]}=n,b")
    shutil.copy(ctx.run.probes["planted_dll"], session.path(PLANT_PATH))
    shutil.copy(ctx.run.probes["load_library"], session.path(LOADER_PATH))


def loaded_by(session):
    """The programs that loaded the plant, one entry per load."""
    log = session.read_file(PLANT_PATH + ".log")
    return log.decode("utf-8", errors="replace").splitlines() if log else []


@e2e_test()
def a_dll_planted_beside_the_program_is_never_loaded(ctx):
    try:
        user = OptionsUser(ctx, 2, before_start=lambda session: plant(ctx, session))
    except WaitTimeout:
        # A program that loaded the plant aborts at its first call into it.
        loads = loaded_by(ctx.sessions[0])
        assert not loads, f"{PLANT_PATH} was loaded by {loads}, and the start failed"
        raise
    session, x_input = user.session, user.x_input

    window = user.show_options()
    dialogs.press(session, x_input, window, dialogs.IDCANCEL)
    user.wait_hidden()
    user.choose_in_tray_menu(tray.ABOUT_KEYS)
    dialogs.close_about(session, x_input, dialogs.wait_about(session, user.copy.pid))
    user.choose_in_tray_menu(tray.EXIT_KEYS)
    wait_until(lambda: all(p.pid != user.copy.pid for p in app_processes(session, APP_PATH)),
               EXIT_TIMEOUT, "end of the copy on Default")
    assert not loaded_by(session), f"{PLANT_PATH} was loaded by {loaded_by(session)}"

    got = wine.run(session.env, [wine.loader(), LOADER_PATH, PLANTED_NAME]).strip()
    assert got.lower() == PLANT_PATH.lower() and loaded_by(session) == [LOADER_PATH], \
        f"the plant is not found from its folder (got {got!r}, loads {loaded_by(session)})"
