#include "platform/win32/shell_token.h"

#include "platform/win32/native.h"
#include "platform/win32/services.h"

#include <sddl.h>

namespace platform::win32 {
namespace {

// What CreateProcessWithTokenW needs, and what DesktopSecurityFor reads.
constexpr DWORD kStartRights = TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY;

// whenUnknown when the token cannot be asked.
bool IsElevatedToken(HANDLE token, bool whenUnknown) {
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size)) {
        return whenUnknown;
    }
    return elevation.TokenIsElevated != 0;
}

// The token user's SID in its S-1-... form; empty when it cannot be had.
std::wstring UserSidText(HANDLE token) {
    // Room for the longest SID there is behind the record.
    alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    if (!::GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size)) {
        return {};
    }
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER const*>(buffer)->User.Sid, &text)) {
        return {};
    }
    UniqueHlocal const owner(text);
    return text;
}

} // namespace

bool Win32System::IsElevated() {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        return false;
    }
    UniqueHandle const token(opened);
    return IsElevatedToken(token.get(), false);
}

ShellToken Win32System::OpenShellToken() {
    DWORD processId = 0;
    HWND const shell = ::GetShellWindow();
    if (shell == nullptr || ::GetWindowThreadProcessId(shell, &processId) == 0) {
        return {};
    }
    UniqueHandle const process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    HANDLE opened = nullptr;
    if (!process || !::OpenProcessToken(process.get(), TOKEN_DUPLICATE | TOKEN_QUERY, &opened)) {
        return {};
    }
    UniqueHandle const processToken(opened);
    HANDLE primary = nullptr;
    if (!::DuplicateTokenEx(processToken.get(), kStartRights, nullptr, SecurityImpersonation,
                            TokenPrimary, &primary)) {
        return {};
    }
    return ShellToken{FromNative<TokenHandle>(primary), IsElevatedToken(primary, true)};
}

void Win32System::CloseToken(TokenHandle token) {
    ::CloseHandle(ToNative(token));
}

std::wstring QualifiedDesktopName(std::wstring const& desktop) {
    wchar_t station[MAX_PATH] = {};
    DWORD needed = 0;
    if (!::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_NAME, station,
                                     sizeof(station), &needed)) {
        return desktop;
    }
    return std::wstring(station) + L"\\" + desktop;
}

UniqueHlocal DesktopSecurityFor(HANDLE token) {
    auto const user = UserSidText(token);
    if (user.empty()) {
        return {};
    }
    // GA: every desktop right. The label sits at medium, which an elevated
    // creator may set since it is below its own level.
    std::wstring const descriptor =
        L"D:(A;;GA;;;" + user + L")(A;;GA;;;SY)(A;;GA;;;BA)S:(ML;;NW;;;ME)";
    PSECURITY_DESCRIPTOR built = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptor.c_str(), SDDL_REVISION_1,
                                                                &built, nullptr)) {
        return {};
    }
    return UniqueHlocal(built);
}

} // namespace platform::win32
