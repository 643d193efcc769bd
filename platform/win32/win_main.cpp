// The program's entry point: it hands the Windows implementations of the
// seam to the application, whose main dialog is the only message loop.

#include "app/switcher_app.h"
#include "platform/os.h"
#include "platform/win32/services.h"
#include "platform/win32/windows_api.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The manifest asks for the version 6 controls, which draw the visual
    // styles; this call makes sure the library is loaded. The command line
    // is ignored.
    ::InitCommonControls();

    platform::win32::Win32Desktops desktops;
    platform::win32::Win32System system;
    platform::win32::Win32Ui ui;
    platform::win32::Win32Files files;
    platform::win32::Win32Registry registry;
    platform::win32::Win32Tray tray;
    platform::Os os{desktops, system, ui, files, registry, tray};
    quorvane::RunSwitcherApp(os);
    return 0;
}
