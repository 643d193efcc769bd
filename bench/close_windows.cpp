// Asks a process to end the way its user would: posts one message to each of
// its top-level windows on this desktop (hidden ones included, since tray
// programs keep theirs hidden). Prints how many windows it posted to.
//
// Usage: close_windows.exe <pid> <message> <wparam>
//   WM_CLOSE is 16; Quorvane's tray menu "Exit" is WM_COMMAND (273) 32772.

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

struct Request {
    DWORD pid;
    UINT message;
    WPARAM wParam;
    int posted;
};

BOOL CALLBACK PostIfOwned(HWND window, LPARAM context) {
    auto& request = *reinterpret_cast<Request*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == request.pid && PostMessageW(window, request.message, request.wParam, 0)) {
        ++request.posted;
    }
    return TRUE;
}

unsigned long Number(wchar_t const* text) {
    return std::wcstoul(text, nullptr, 0);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return -1;
    }
    Request request{static_cast<DWORD>(Number(argv[1])), static_cast<UINT>(Number(argv[2])),
                    static_cast<WPARAM>(Number(argv[3])), 0};
    EnumWindows(&PostIfOwned, reinterpret_cast<LPARAM>(&request));
    std::string const text = std::to_string(request.posted) + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
    return request.posted > 0 ? 0 : 1;
}
