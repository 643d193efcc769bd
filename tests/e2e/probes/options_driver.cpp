// Works one copy of Quorvane's options window with window messages, as fast
// as the window answers: show it from the tray menu's command, pick a count
// in the desktop box, then OK or Cancel, each time waiting until the window
// has really shown or hidden itself.
//   options_driver.exe DESKTOP PID cycles ROUNDS
//       rounds of show, pick 2, 3, 4, 2, ... and then OK (even rounds) or
//       Cancel (odd rounds); one line per round: "round", number, "ok" or
//       "cancel", count
//   options_driver.exe DESKTOP PID churn SECONDS SEED
//       for SECONDS: show, pick a count at random, OK, rest a random while;
//       one line per OK: "ok", count, milliseconds since start
// Exit code 1 if the window went missing or stopped answering.

#include "desktop_windows.h"
#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr int kArgumentCount = 5;
constexpr int kChurnArgumentCount = 6;
constexpr int kAutoBase = 0;
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kWindowTitle[] = L"Quorvane";
constexpr WPARAM kShowOptionsCommand = 32771;
constexpr int kDesktopCombo = 1002;
constexpr int kFirstCount = 2; // the box lists 2, 3 and 4
constexpr int kCountChoices = 3;
constexpr DWORD kStateTimeoutMs = 15000;
constexpr DWORD kPollMs = 20;
constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kLongestRestMs = 1500;

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK KeepIfOptions(HWND window, LPARAM search_address) {
    auto& search = *reinterpret_cast<Search*>(search_address);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search.pid && probe::ClassOf(window) == kDialogClass &&
        probe::TitleOf(window) == kWindowTitle) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND FindOptions(wchar_t const* desktop_name, DWORD pid) {
    probe::UniqueDesktop const desktop(
        OpenDesktopW(desktop_name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    Search search{pid, nullptr};
    if (desktop) {
        EnumDesktopWindows(desktop.get(), KeepIfOptions, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

// WS_VISIBLE, not IsWindowVisible: the window may be on a desktop that is
// not the input desktop, where Wine calls every window invisible.
bool IsShown(HWND window) {
    return (static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & WS_VISIBLE) != 0;
}

bool WaitShown(HWND window, bool shown) {
    DWORD const start = GetTickCount();
    while (IsWindow(window) && IsShown(window) != shown) {
        if (GetTickCount() - start > kStateTimeoutMs) {
            return false;
        }
        Sleep(kPollMs);
    }
    return IsWindow(window) != FALSE;
}

bool Command(HWND window, WPARAM command) {
    return PostMessageW(window, WM_COMMAND, command, 0) != FALSE;
}

bool PickCount(HWND window, int count) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(GetDlgItem(window, kDesktopCombo), CB_SETCURSEL,
                               static_cast<WPARAM>(count - kFirstCount), 0, SMTO_ABORTIFHUNG,
                               kSendTimeoutMs, &answer) != 0;
}

// Show, pick, then OK or Cancel; true once the window has hidden again.
bool Round(HWND window, int count, WPARAM button) {
    return Command(window, kShowOptionsCommand) && WaitShown(window, true) &&
           PickCount(window, count) && Command(window, button) && WaitShown(window, false);
}

int Cycles(HWND window, int rounds) {
    for (int round = 0; round < rounds; ++round) {
        bool const ok = round % 2 == 0;
        int const count = kFirstCount + round % kCountChoices;
        if (!Round(window, count, ok ? IDOK : IDCANCEL)) {
            probe::PrintError(L"round " + std::to_wstring(round));
            return 1;
        }
        probe::PrintLine(
            {L"round", std::to_wstring(round), ok ? L"ok" : L"cancel", std::to_wstring(count)});
    }
    return 0;
}

// A small generator of its own, so a seed gives the same run everywhere.
class Dice {
  public:
    explicit Dice(unsigned seed) : state_(seed) {}
    unsigned Below(unsigned limit) {
        state_ = state_ * 1103515245u + 12345u;
        return (state_ >> 16) % limit;
    }

  private:
    unsigned state_;
};

int Churn(HWND window, DWORD seconds, unsigned seed) {
    Dice dice(seed);
    DWORD const start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
        int const count = kFirstCount + static_cast<int>(dice.Below(kCountChoices));
        if (!Round(window, count, IDOK)) {
            probe::PrintError(L"churn round");
            return 1;
        }
        probe::PrintLine({L"ok", std::to_wstring(count), std::to_wstring(GetTickCount() - start)});
        Sleep(dice.Below(kLongestRestMs));
    }
    return 0;
}

unsigned long Number(wchar_t const* text) {
    return std::wcstoul(text, nullptr, kAutoBase);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < kArgumentCount) {
        probe::PrintMessage(L"usage: options_driver DESKTOP PID cycles ROUNDS | "
                            L"options_driver DESKTOP PID churn SECONDS SEED");
        return 2;
    }
    HWND const window = FindOptions(argv[1], Number(argv[2]));
    if (window == nullptr) {
        probe::PrintMessage(L"no options window of that process on that desktop");
        return 1;
    }
    std::wstring const mode = argv[3];
    if (mode == L"cycles" && argc == kArgumentCount) {
        return Cycles(window, static_cast<int>(Number(argv[4])));
    }
    if (mode == L"churn" && argc == kChurnArgumentCount) {
        return Churn(window, Number(argv[4]), static_cast<unsigned>(Number(argv[5])));
    }
    probe::PrintMessage(L"unknown mode or wrong number of arguments");
    return 2;
}
