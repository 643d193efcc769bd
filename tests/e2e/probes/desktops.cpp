// Lists what lives in this window station.
//   desktops.exe          one line per desktop name
//   desktops.exe NAME     one line per top-level window on desktop NAME:
//                         hwnd, owning process id, shown (0/1), class, title
//   desktops.exe --input  the name of the input desktop, the one that takes
//                         the keyboard and mouse
// "Shown" is the window's own WS_VISIBLE style. IsWindowVisible is no use
// here: under Wine it answers FALSE for a shown window on a desktop that is
// not the input desktop.

#include "desktop_windows.h"
#include "object_name.h"
#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

BOOL CALLBACK AddName(LPWSTR name, LPARAM names) {
    reinterpret_cast<std::vector<std::wstring>*>(names)->emplace_back(name);
    return TRUE;
}

int ListDesktops() {
    std::vector<std::wstring> names;
    if (!EnumDesktopsW(GetProcessWindowStation(), AddName, reinterpret_cast<LPARAM>(&names))) {
        probe::PrintError(L"EnumDesktopsW");
        return 1;
    }
    for (std::wstring const& name : names) {
        probe::PrintLine({name});
    }
    return 0;
}

int PrintInputDesktop() {
    probe::UniqueDesktop const input(OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
    if (!input) {
        probe::PrintError(L"OpenInputDesktop");
        return 1;
    }
    probe::PrintLine({probe::ObjectName(input.get())});
    return 0;
}

using probe::ClassOf;
using probe::TitleOf;

bool IsShown(HWND window) {
    return (static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & WS_VISIBLE) != 0;
}

BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    probe::PrintLine({std::to_wstring(reinterpret_cast<UINT_PTR>(window)),
                      std::to_wstring(process_id), IsShown(window) ? L"1" : L"0", ClassOf(window),
                      TitleOf(window)});
    return TRUE;
}

int ListWindows(wchar_t const* desktop_name) {
    return probe::ForEachWindowOf(desktop_name, PrintWindow);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return ListDesktops();
    }
    if (std::wstring(argv[1]) == L"--input") {
        return PrintInputDesktop();
    }
    return ListWindows(argv[1]);
}
