// Plays a shell that has just made its notification area anew on one
// desktop, for one window's icons:
//   restarted_shell.exe DESKTOP [HWND ID...]
// First the window's icons named are taken away, since a new notification
// area would not hold them; then "TaskbarCreated" is broadcast to the
// desktop's top-level windows, as a starting shell does. With no window it
// only broadcasts, as when a new shell comes up while the icons are still
// there.
// Prints the broadcast message's number.

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

constexpr int kAutoBase = 0;
constexpr wchar_t kTaskbarCreated[] = L"TaskbarCreated";

unsigned long Number(wchar_t const* text) {
    return std::wcstoul(text, nullptr, kAutoBase);
}

bool RemoveIcon(HWND window, UINT id) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = window;
    data.uID = id;
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

// Arguments after the desktop: the window's handle, then its icon ids.
void RemoveIcons(int argc, wchar_t** argv) {
    if (argc < 3) {
        return;
    }
    auto const window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(Number(argv[2])));
    for (int i = 3; i < argc; ++i) {
        if (!RemoveIcon(window, static_cast<UINT>(Number(argv[i])))) {
            probe::PrintError(L"removing icon " + std::wstring(argv[i]));
        }
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        probe::PrintMessage(L"usage: restarted_shell DESKTOP [HWND ID...]");
        return 2;
    }
    // The notification area and the broadcast both belong to the thread's
    // desktop; a thread that owns no window yet may move to another one.
    probe::UniqueDesktop const desktop(OpenDesktopW(argv[1], 0, FALSE, GENERIC_ALL));
    if (!desktop || !SetThreadDesktop(desktop.get())) {
        probe::PrintError(L"SetThreadDesktop");
        return 1;
    }
    RemoveIcons(argc, argv);
    UINT const message = RegisterWindowMessageW(kTaskbarCreated);
    if (message == 0 || !PostMessageW(HWND_BROADCAST, message, 0, 0)) {
        probe::PrintError(L"broadcast");
        return 1;
    }
    probe::PrintLine({std::to_wstring(message)});
    return 0;
}
