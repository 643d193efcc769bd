// Posts one message to every top-level window that has the given class and
// title, on one desktop or on all desktops ("*"), and prints the desktop and
// handle of each window it posted to.
//   post_message.exe DESKTOP|* CLASS TITLE MESSAGE WPARAM LPARAM [SECONDS]
// Numbers may be decimal or 0x-hex. Used, for example, to answer message
// boxes with WM_COMMAND/IDOK, which works even while a box ignores keys.
// LPARAM may list several values, "0x401,0x401": one message is posted for
// each, in that order, back to back, as the shell sends a key's messages.
// With SECONDS it sends instead, round after round for that long, giving
// each send 1 s to be answered (SendMessageTimeoutW), and prints for each
// window its desktop, handle, sends and unanswered sends: a window whose
// thread stops taking messages shows up as unanswered.

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kTextLength = 512;
constexpr int kArgumentCount = 7;
constexpr int kSendingArgumentCount = 8;
constexpr UINT kAnswerWithinMs = 1000;
constexpr DWORD kBetweenRoundsMs = 100;
constexpr DWORD kMsPerSecond = 1000;
constexpr int kAutoBase = 0;
constexpr wchar_t kAllDesktops[] = L"*";

struct Answers {
    std::wstring desktop;
    unsigned sends = 0;
    unsigned unanswered = 0;
};

struct Target {
    std::wstring class_name;
    std::wstring title;
    UINT message;
    WPARAM wparam;
    std::vector<LPARAM> lparams;
    std::wstring desktop;
    std::map<HWND, Answers>* answers = nullptr; // set: send instead of post
};

bool Matches(HWND window, Target const& target) {
    wchar_t class_name[kTextLength] = {};
    wchar_t title[kTextLength] = {};
    GetClassNameW(window, class_name, kTextLength);
    GetWindowTextW(window, title, kTextLength);
    return target.class_name == class_name && target.title == title;
}

void Send(HWND window, Target const& target) {
    Answers& answers = (*target.answers)[window];
    answers.desktop = target.desktop;
    ++answers.sends;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, target.message, target.wparam, target.lparams.front(),
                             SMTO_NORMAL, kAnswerWithinMs, &result)) {
        ++answers.unanswered;
    }
}

BOOL CALLBACK PostIfMatching(HWND window, LPARAM target_address) {
    Target const& target = *reinterpret_cast<Target const*>(target_address);
    if (!Matches(window, target)) {
        return TRUE;
    }
    if (target.answers != nullptr) {
        Send(window, target);
        return TRUE;
    }
    bool posted = true;
    for (LPARAM const lparam : target.lparams) {
        posted = PostMessageW(window, target.message, target.wparam, lparam) && posted;
    }
    if (posted) {
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

std::vector<LPARAM> Numbers(wchar_t const* text) {
    std::vector<LPARAM> numbers;
    wchar_t* end = nullptr;
    do {
        numbers.push_back(static_cast<LPARAM>(std::wcstoul(text, &end, kAutoBase)));
        text = end + 1;
    } while (*end == L',');
    return numbers;
}

void SendFor(Target target, std::wstring const& desktops, DWORD seconds) {
    std::map<HWND, Answers> answers;
    target.answers = &answers;
    DWORD const start = GetTickCount();
    while (GetTickCount() - start < seconds * kMsPerSecond) {
        for (std::wstring const& name : DesktopNames(desktops)) {
            PostOnDesktop(target, name);
        }
        Sleep(kBetweenRoundsMs);
    }
    for (auto const& [window, counted] : answers) {
        probe::PrintLine({counted.desktop, std::to_wstring(reinterpret_cast<UINT_PTR>(window)),
                          std::to_wstring(counted.sends), std::to_wstring(counted.unanswered)});
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != kArgumentCount && argc != kSendingArgumentCount) {
        probe::PrintMessage(
            L"usage: post_message DESKTOP|* CLASS TITLE MESSAGE WPARAM LPARAM [SECONDS]");
        return 2;
    }
    Target const target{argv[2],
                        argv[3],
                        static_cast<UINT>(Number(argv[4])),
                        static_cast<WPARAM>(Number(argv[5])),
                        Numbers(argv[6]),
                        {}};
    if (argc == kSendingArgumentCount) {
        SendFor(target, argv[1], static_cast<DWORD>(Number(argv[7])));
        return 0;
    }
    for (std::wstring const& name : DesktopNames(argv[1])) {
        PostOnDesktop(target, name);
    }
    return 0;
}
