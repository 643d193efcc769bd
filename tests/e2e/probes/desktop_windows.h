#pragma once
// What the probes that list windows share: a window's class and title, and
// a walk over the top-level windows of one desktop.

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <string>

namespace probe {

inline constexpr int kWindowTextLength = 512;

inline std::wstring ClassOf(HWND window) {
    wchar_t text[kWindowTextLength] = {};
    GetClassNameW(window, text, kWindowTextLength);
    return text;
}

inline std::wstring TitleOf(HWND window) {
    wchar_t text[kWindowTextLength] = {};
    GetWindowTextW(window, text, kWindowTextLength);
    return text;
}

// Calls visit for each top-level window of the named desktop. Returns the
// probe's exit code.
inline int ForEachWindowOf(wchar_t const* desktopName, WNDENUMPROC visit) {
    UniqueDesktop const desktop(
        OpenDesktopW(desktopName, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (!desktop) {
        PrintError(L"OpenDesktopW");
        return 1;
    }
    // A desktop without windows also reports failure here, and an empty list
    // is the honest answer for it.
    EnumDesktopWindows(desktop.get(), visit, 0);
    return 0;
}

} // namespace probe
