#include "platform/win32/native.h"
#include "platform/win32/services.h"
#include "platform/win32/shell_token.h"
#include "platform/win32/unique_handle.h"

#include <vector>

namespace platform::win32 {
namespace {

// The longest path the system hands out, in characters with the terminator.
constexpr DWORD kLongestPath = 32768;

// A null-terminated copy that a Win32 call may write to.
std::vector<wchar_t> WritableCopy(std::wstring const& text) {
    std::vector<wchar_t> copy(text.begin(), text.end());
    copy.push_back(L'\0');
    return copy;
}

} // namespace

std::optional<std::wstring> Win32System::Environment(std::wstring const& name) {
    // Asking with no buffer gives the size with the terminator; zero means
    // the variable is not set. The loop covers a value that grows between calls.
    DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    while (size != 0) {
        std::wstring value(size, L'\0');
        ::SetLastError(ERROR_SUCCESS);
        DWORD const length = ::GetEnvironmentVariableW(name.c_str(), value.data(), size);
        if (length == 0 && ::GetLastError() != ERROR_SUCCESS) {
            return std::nullopt; // removed meanwhile
        }
        if (length < size) {
            value.resize(length);
            return value;
        }
        size = length;
    }
    return std::nullopt;
}

std::optional<std::wstring> Win32System::ModulePath() {
    // A full buffer means the path was cut, so retry with a larger one.
    for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
        std::wstring path(size, L'\0');
        DWORD const length = ::GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < size) {
            path.resize(length);
            return path;
        }
    }
    return std::nullopt;
}

ProcessStart Win32System::StartProcess(std::wstring const& commandLine, std::wstring const& desktop,
                                       TokenHandle asUser) {
    // CreateProcessW may write into both strings, so each gets its own copy.
    auto command = WritableCopy(commandLine);
    auto desktopName = WritableCopy(asUser ? QualifiedDesktopName(desktop) : desktop);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktopName.data();
    PROCESS_INFORMATION process{};
    // The shell gets the system's own error mode, not the quiet one this
    // program chose for itself, which a child would otherwise inherit.
    constexpr DWORD kCreation = NORMAL_PRIORITY_CLASS | CREATE_DEFAULT_ERROR_MODE;
    BOOL const started =
        asUser ? ::CreateProcessWithTokenW(ToNative(asUser), 0, nullptr, command.data(), kCreation,
                                           nullptr, nullptr, &startup, &process)
               : ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, kCreation,
                                  nullptr, nullptr, &startup, &process);
    if (!started) {
        return {{}, ::GetLastError()};
    }
    UniqueHandle const threadHandle(process.hThread);
    return {FromNative<ProcessHandle>(process.hProcess), kSuccess};
}

bool Win32System::HasEnded(ProcessHandle process) {
    // A process object is signalled once the process has ended, whether it
    // returned, crashed or was ended from outside; a zero wait only looks.
    return ::WaitForSingleObject(ToNative(process), 0) == WAIT_OBJECT_0;
}

bool Win32System::ShuttingDown() {
    return ::GetSystemMetrics(SM_SHUTTINGDOWN) != 0;
}

void Win32System::CloseProcess(ProcessHandle process) {
    ::CloseHandle(ToNative(process));
}

std::uint64_t Win32System::Milliseconds() {
    return ::GetTickCount64();
}

void Win32System::QuietCriticalErrors() {
    // SetErrorMode only answers the old mode by setting a new one; the
    // second call keeps what Windows or the parent had set besides.
    UINT const mode = ::SetErrorMode(SEM_FAILCRITICALERRORS);
    ::SetErrorMode(mode | SEM_FAILCRITICALERRORS);
}

std::optional<std::wstring> Win32System::ErrorText(ErrorCode code) {
    // Many system texts have inserts ("%1 is not a valid Win32 application."),
    // and without arguments for them the call fails unless told to leave
    // them as they stand.
    wchar_t* buffer = nullptr;
    DWORD const length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&buffer),
        0, nullptr);
    UniqueHlocal const owner(buffer);
    if (length == 0 || buffer == nullptr) {
        return std::nullopt;
    }
    return std::wstring(buffer, length);
}

std::wstring Win32System::LoadString(ResourceId id) {
    // With no buffer size LoadStringW hands back a pointer into the resource
    // itself, which is not null-terminated, and the length: any length fits.
    wchar_t const* text = nullptr;
    int const length = ::LoadStringW(ProgramModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) {
        return {};
    }
    return std::wstring(text, static_cast<std::size_t>(length));
}

bool Win32System::LaunchHelp(std::wstring const& helpFile, std::uint32_t context) {
    // The help viewer would open and complain about a missing file itself;
    // the caller shows its own message instead.
    DWORD const attributes = ::GetFileAttributesW(helpFile.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    // The window asking for help is the active one: F1 was pressed there.
    return ::WinHelpW(::GetActiveWindow(), helpFile.c_str(), HELP_CONTEXT, context) != FALSE;
}

} // namespace platform::win32
