// Keeps one notification icon of its own on each named desktop until its
// standard input ends.
//   tray_keeper.exe DESKTOP...
// Prints "ready<TAB>DESKTOP" once the icon on that desktop is added. Without a
// window manager, Wine's tray stalls for about 2 s each time it becomes
// empty; with this icon in it, it never does, so a test can time how fast a
// program replaces its own icons.

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kIconId = 0xE2E;
constexpr wchar_t kWindowClass[] = L"QuorvaneE2eTrayKeeper";
constexpr wchar_t kTip[] = L"e2e tray keeper";
constexpr DWORD kReadBytes = 64;

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = probe::Unique<HWND, WindowDestroyer>;

bool RegisterWindowClass() {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = DefWindowProcW;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kWindowClass;
    return RegisterClassW(&window_class) != 0;
}

bool AddIcon(HWND window) {
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data.hWnd = window;
    data.uID = kIconId;
    data.uFlags = NIF_ICON | NIF_TIP;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, kTip, ARRAYSIZE(data.szTip));
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

// A thread of its own per desktop: a thread that owns no window yet may move
// to another desktop, and its windows and icons then live there.
DWORD WINAPI KeepIcon(void* name_address) {
    std::wstring const& name = *static_cast<std::wstring const*>(name_address);
    HDESK const desktop = OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL);
    if (desktop == nullptr || !SetThreadDesktop(desktop)) {
        probe::PrintError(L"SetThreadDesktop " + name);
        return 1;
    }
    UniqueWindow const window(CreateWindowW(kWindowClass, kTip, WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                                            nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window || !AddIcon(window.get())) {
        probe::PrintError(L"tray icon on " + name);
        return 1;
    }
    probe::PrintLine({L"ready", name});
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}

void WaitForEndOfInput() {
    char buffer[kReadBytes];
    DWORD read = 0;
    HANDLE const input = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read != 0) {
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || !RegisterWindowClass()) {
        probe::PrintMessage(L"usage: tray_keeper DESKTOP...");
        return 2;
    }
    std::vector<std::wstring> const names(argv + 1, argv + argc);
    std::vector<probe::UniqueHandle> threads;
    for (std::wstring const& name : names) {
        threads.emplace_back(
            CreateThread(nullptr, 0, KeepIcon, const_cast<std::wstring*>(&name), 0, nullptr));
    }
    WaitForEndOfInput();
    // Leaving takes the windows, and with them the icons, away.
    ExitProcess(0);
}
