// The program's entry point: it hands the Windows implementations of the
// seam to the application, whose main dialog is the only message loop.

#include "app/switcher_app.h"
#include "platform/os.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/services.h"
#include "platform/win32/windows_api.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads a DLL by name. The command line is ignored.
    platform::win32::LoadDllsFromSystemFolderOnly();
    auto const commonControls = platform::win32::LoadCommonControls();

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
