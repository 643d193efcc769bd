// Posts one message to every top-level window that has the given class and
// title, on one desktop or on all desktops ("*"), and prints the desktop and
// handle of each window it posted to.
//   post_message.exe DESKTOP|* CLASS TITLE MESSAGE WPARAM LPARAM
// Numbers may be decimal or 0x-hex. Used, for example, to answer message
// boxes with WM_COMMAND/IDOK, which works even while a box ignores keys.

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kTextLength = 512;
constexpr int kArgumentCount = 7;
constexpr int kAutoBase = 0;
constexpr wchar_t kAllDesktops[] = L"*";

struct Target {
    std::wstring class_name;
    std::wstring title;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    std::wstring desktop;
};

bool Matches(HWND window, Target const& target) {
    wchar_t class_name[kTextLength] = {};
    wchar_t title[kTextLength] = {};
    GetClassNameW(window, class_name, kTextLength);
    GetWindowTextW(window, title, kTextLength);
    return target.class_name == class_name && target.title == title;
}

BOOL CALLBACK PostIfMatching(HWND window, LPARAM target_address) {
    Target const& target = *reinterpret_cast<Target const*>(target_address);
    if (Matches(window, target) &&
        PostMessageW(window, target.message, target.wparam, target.lparam)) {
        probe::PrintLine({target.desktop, std::to_wstring(reinterpret_cast<UINT_PTR>(window))});
    }
    return TRUE;
}

void PostOnDesktop(Target target, std::wstring const& desktop_name) {
    probe::UniqueDesktop const desktop(
        OpenDesktopW(desktop_name.c_str(), 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (!desktop) {
        probe::PrintError(L"OpenDesktopW " + desktop_name);
        return;
    }
    target.desktop = desktop_name;
    EnumDesktopWindows(desktop.get(), PostIfMatching, reinterpret_cast<LPARAM>(&target));
}

BOOL CALLBACK AddName(LPWSTR name, LPARAM names) {
    reinterpret_cast<std::vector<std::wstring>*>(names)->emplace_back(name);
    return TRUE;
}

std::vector<std::wstring> DesktopNames(std::wstring const& wanted) {
    std::vector<std::wstring> names;
    if (wanted != kAllDesktops) {
        names.push_back(wanted);
    } else if (!EnumDesktopsW(GetProcessWindowStation(), AddName,
                              reinterpret_cast<LPARAM>(&names))) {
        probe::PrintError(L"EnumDesktopsW");
    }
    return names;
}

unsigned long Number(wchar_t const* text) {
    return std::wcstoul(text, nullptr, kAutoBase);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != kArgumentCount) {
        probe::PrintMessage(L"usage: post_message DESKTOP|* CLASS TITLE MESSAGE WPARAM LPARAM");
        return 2;
    }
    Target const target{argv[2],
                        argv[3],
                        static_cast<UINT>(Number(argv[4])),
                        static_cast<WPARAM>(Number(argv[5])),
                        static_cast<LPARAM>(Number(argv[6])),
                        {}};
    for (std::wstring const& name : DesktopNames(argv[1])) {
        PostOnDesktop(target, name);
    }
    return 0;
}
