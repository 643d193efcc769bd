// Stands in for a program that Quorvane starts (the shell, or a decoy at a
// path an unquoted command line would hit). It appends one line to
// "<own path>.log": the desktop its thread runs on, a tab, and its command
// line. Then it stays alive like a shell would, until the wineserver goes;
// while a file "<own path>.end" exists it ends at once instead, as a broken
// shell would.

#include "object_name.h"
#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <string>

namespace {

constexpr DWORD kMaxPath = 32768;

std::wstring OwnPath() {
    std::wstring path(kMaxPath, L'\0');
    DWORD const length = GetModuleFileNameW(nullptr, path.data(), kMaxPath);
    path.resize(length);
    return path;
}

std::wstring CurrentDesktopName() {
    return probe::ObjectName(GetThreadDesktop(GetCurrentThreadId()));
}

// FILE_APPEND_DATA alone makes every write land at the end, so starts on
// several desktops at once cannot overwrite each other's lines.
bool Exists(std::wstring const& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool AppendLine(std::wstring const& log_path, std::wstring const& line) {
    probe::UniqueHandle const log = probe::Adopt(
        CreateFileW(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return log && probe::WriteAll(log.get(), probe::ToUtf8(line) + "\n");
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring const line = probe::JoinFields({CurrentDesktopName(), GetCommandLineW()});
    std::wstring const own = OwnPath();
    if (!AppendLine(own + L".log", line)) {
        return 1;
    }
    if (Exists(own + L".end")) {
        return 0;
    }
    Sleep(INFINITE);
    return 0;
}
