// Prints the system's text for an error code, in the prefix's language, so a
// test can compare it with what an error box shows.
//   system_message.exe CODE

#include "text_output.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr int kArgumentCount = 2;
constexpr DWORD kTextLength = 1024;
constexpr int kAutoBase = 0;

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != kArgumentCount) {
        probe::PrintMessage(L"usage: system_message CODE");
        return 2;
    }
    DWORD const code = std::wcstoul(argv[1], nullptr, kAutoBase);
    wchar_t text[kTextLength] = {};
    DWORD const length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, text, kTextLength, nullptr);
    if (length == 0) {
        probe::PrintError(L"FormatMessageW");
        return 1;
    }
    probe::PrintLine({std::wstring(text, length)});
    return 0;
}
