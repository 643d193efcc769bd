// Where windows are on the screen, so a test can aim real X input at them.
//   window_places.exe top DESKTOP     one line per top-level window on DESKTOP:
//                                     hwnd, pid, visible, class, title, X window,
//                                     left, top, right, bottom
//   window_places.exe children HWND   one line per child window of HWND:
//                                     hwnd, control id, visible, class, text, state,
//                                     left, top, right, bottom
// Rectangles are in screen pixels, which are X root pixels when Wine runs
// without a virtual desktop. "state" is a check box's check state or a combo
// box's selected index, "-" for other controls.

#include "desktop_windows.h"
#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr int kTextLength = 512;
constexpr int kArgumentCount = 3;
constexpr int kAutoBase = 0;
constexpr UINT kSendTimeoutMs = 2000;
constexpr wchar_t kNoState[] = L"-";
// Wine's X11 driver keeps the X window id of each top-level window under
// this property; other systems have no such property and give 0.
constexpr wchar_t kXWindowProperty[] = L"__wine_x11_whole_window";

using probe::ClassOf;
using probe::TitleOf;

// A control of another process keeps its text to itself (an edit or combo
// box never tells the system), so ask the control.
std::wstring ControlText(HWND window) {
    wchar_t text[kTextLength] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, kTextLength, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &copied)) {
        return TitleOf(window);
    }
    return text;
}

std::wstring Ask(HWND window, UINT message) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer)) {
        return kNoState;
    }
    return std::to_wstring(static_cast<int>(answer));
}

std::wstring StateOf(HWND window) {
    std::wstring const class_name = ClassOf(window);
    if (class_name == L"ComboBox") {
        return Ask(window, CB_GETCURSEL);
    }
    if (class_name == L"Button") {
        return Ask(window, BM_GETCHECK);
    }
    return kNoState;
}

std::wstring Hex(UINT_PTR value) {
    wchar_t text[2 * sizeof(value) + 1] = {};
    std::swprintf(text, sizeof text / sizeof text[0], L"%lx", static_cast<unsigned long>(value));
    return text;
}

void PrintWithRect(std::vector<std::wstring> fields, HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    for (LONG edge : {rect.left, rect.top, rect.right, rect.bottom}) {
        fields.push_back(std::to_wstring(edge));
    }
    probe::PrintLine(fields);
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    auto const x_window = reinterpret_cast<UINT_PTR>(GetPropW(window, kXWindowProperty));
    PrintWithRect({std::to_wstring(reinterpret_cast<UINT_PTR>(window)), std::to_wstring(process_id),
                   IsWindowVisible(window) ? L"1" : L"0", ClassOf(window), TitleOf(window),
                   Hex(x_window)},
                  window);
    return TRUE;
}

BOOL CALLBACK PrintChild(HWND window, LPARAM) {
    PrintWithRect({std::to_wstring(reinterpret_cast<UINT_PTR>(window)),
                   std::to_wstring(GetDlgCtrlID(window)), IsWindowVisible(window) ? L"1" : L"0",
                   ClassOf(window), ControlText(window), StateOf(window)},
                  window);
    return TRUE;
}

int ListTopLevel(wchar_t const* desktop_name) {
    return probe::ForEachWindowOf(desktop_name, PrintTopLevel);
}

int ListChildren(wchar_t const* handle_text) {
    auto const parent = reinterpret_cast<HWND>(
        static_cast<UINT_PTR>(std::wcstoul(handle_text, nullptr, kAutoBase)));
    if (!IsWindow(parent)) {
        probe::PrintMessage(L"no such window");
        return 1;
    }
    EnumChildWindows(parent, PrintChild, 0);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == kArgumentCount && std::wstring(argv[1]) == L"top") {
        return ListTopLevel(argv[2]);
    }
    if (argc == kArgumentCount && std::wstring(argv[1]) == L"children") {
        return ListChildren(argv[2]);
    }
    probe::PrintMessage(L"usage: window_places top DESKTOP | window_places children HWND");
    return 2;
}
