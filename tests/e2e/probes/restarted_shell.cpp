// Plays a shell that has just made its notification area anew on one
// desktop, for one window's icons:
//   restarted_shell.exe DESKTOP [HWND ID...]
// First the window's icons named are taken away, since a new notification
// area would not hold them; then "TaskbarCreated" is broadcast to the
// desktop's top-level windows, as a starting shell does. With no window it
// only broadcasts, as when a new shell comes up while the icons are still
// there.
// Prints the broadcast message's number.
//   restarted_shell.exe --busy DESKTOP SECONDS
// Plays a shell too busy to take icons, as at logon: for SECONDS a window
// of the notification area's class, found before the real one, answers
// every call with a failure; then it goes, sending nothing. Prints how many
// adds it refused.

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

constexpr int kAutoBase = 0;
constexpr wchar_t kTaskbarCreated[] = L"TaskbarCreated";

constexpr wchar_t kBusyOption[] = L"--busy";
constexpr wchar_t kTrayClass[] = L"Shell_TrayWnd";
constexpr wchar_t kBusyTitle[] = L"busy shell";
constexpr UINT kMillisecondsPerSecond = 1000;

unsigned long Number(wchar_t const* text) {
    return std::wcstoul(text, nullptr, kAutoBase);
}

// The notification area and the broadcast both belong to the thread's
// desktop; a thread that owns no window yet may move to another one.
probe::UniqueDesktop EnterDesktop(wchar_t const* name) {
    probe::UniqueDesktop desktop(OpenDesktopW(name, 0, FALSE, GENERIC_ALL));
    if (!desktop || !SetThreadDesktop(desktop.get())) {
        probe::PrintError(L"SetThreadDesktop");
        return {};
    }
    return desktop;
}

unsigned long refusedAdds = 0;

// Shell_NotifyIconW hands each call to the first window of this class as
// WM_COPYDATA, the call's message in dwData; a false answer fails the call.
LRESULT CALLBACK BusyTray(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        if (reinterpret_cast<COPYDATASTRUCT const*>(lParam)->dwData == NIM_ADD) {
            ++refusedAdds;
        }
        return FALSE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int PlayBusyShell(wchar_t const* name, unsigned long seconds) {
    auto const desktop = EnterDesktop(name);
    if (!desktop) {
        return 1;
    }
    WNDCLASSW type = {};
    type.lpfnWndProc = &BusyTray;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kTrayClass;
    // Topmost and made last, so it comes before the real one in z-order.
    HWND const tray =
        RegisterClassW(&type) == 0
            ? nullptr
            : CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kTrayClass, kBusyTitle, WS_POPUP, 0,
                              0, 1, 1, nullptr, nullptr, type.hInstance, nullptr);
    if (tray == nullptr) {
        probe::PrintError(L"busy tray window");
        return 1;
    }
    UINT_PTR const timer = SetTimer(nullptr, 0, seconds * kMillisecondsPerSecond, nullptr);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) {
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, timer);
    DestroyWindow(tray);
    probe::PrintLine({std::to_wstring(refusedAdds)});
    return 0;
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
    if (argc == 4 && std::wcscmp(argv[1], kBusyOption) == 0) {
        return PlayBusyShell(argv[2], Number(argv[3]));
    }
    if (argc < 2) {
        probe::PrintMessage(
            L"usage: restarted_shell DESKTOP [HWND ID...] | --busy DESKTOP SECONDS");
        return 2;
    }
    auto const desktop = EnterDesktop(argv[1]);
    if (!desktop) {
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
