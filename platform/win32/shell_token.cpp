#include "platform/win32/shell_token.h"

#include "platform/win32/native.h"
#include "platform/win32/services.h"
#include "platform/win32/unique_handle.h"

#include <aclapi.h>
#include <sddl.h>

namespace platform::win32 {
namespace {

// What CreateProcessWithTokenW needs, and what GrantDesktopTo reads.
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

// A token's user: the record, and the SID the system puts behind it, with
// room for the longest SID there is. The record points into itself, so it
// is filled where it stays.
struct TokenUserRecord {
    alignas(TOKEN_USER) unsigned char bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    PSID Sid() const { return reinterpret_cast<TOKEN_USER const*>(bytes)->User.Sid; }
};

bool ReadUser(HANDLE token, TokenUserRecord& user) {
    DWORD size = 0;
    return ::GetTokenInformation(token, TokenUser, user.bytes, sizeof(user.bytes), &size) != FALSE;
}

// Credentials typed into the elevation prompt make this copy another user
// than the shell; false also when that cannot be told.
bool IsOwnUser(HANDLE token) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) {
        return false;
    }
    UniqueHandle const own(opened);
    TokenUserRecord mine;
    TokenUserRecord theirs;
    return ReadUser(own.get(), mine) && ReadUser(token, theirs) &&
           ::EqualSid(mine.Sid(), theirs.Sid()) != FALSE;
}

// Everything a user does on a desktop: windows, menus, hooks, switching to
// it, and the standard rights.
constexpr DWORD kDesktopAllAccess =
    DESKTOP_READOBJECTS | DESKTOP_CREATEWINDOW | DESKTOP_CREATEMENU | DESKTOP_HOOKCONTROL |
    DESKTOP_JOURNALRECORD | DESKTOP_JOURNALPLAYBACK | DESKTOP_ENUMERATE | DESKTOP_WRITEOBJECTS |
    DESKTOP_SWITCHDESKTOP | STANDARD_RIGHTS_REQUIRED;

// Medium, below this copy's own level, which an elevated creator may set;
// a desktop left at the creator's level refuses writes from the shell's
// processes whatever its DACL says.
constexpr wchar_t kMediumLabel[] = L"S:(ML;;NW;;;ME)";

// Sets the medium label on the desktop, together with the DACL when `also`
// names it.
ErrorCode SetMediumLabel(HDESK desktop, SECURITY_INFORMATION also, PACL dacl) {
    PSECURITY_DESCRIPTOR built = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kMediumLabel, SDDL_REVISION_1,
                                                                &built, nullptr)) {
        return ::GetLastError();
    }
    UniqueHlocal const builtOwner(built); // label points into it
    PACL label = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    if (!::GetSecurityDescriptorSacl(built, &present, &label, &defaulted)) {
        return ::GetLastError();
    }
    return ::SetSecurityInfo(desktop, SE_WINDOW_OBJECT, also | LABEL_SECURITY_INFORMATION, nullptr,
                             nullptr, dacl, label);
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
    return ShellToken{FromNative<TokenHandle>(primary), IsElevatedToken(primary, true),
                      IsOwnUser(primary)};
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

ErrorCode GrantDesktopTo(HDESK desktop, HANDLE token) {
    TokenUserRecord user;
    if (!ReadUser(token, user)) {
        return ::GetLastError();
    }
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR read = nullptr;
    if (auto const res = ::GetSecurityInfo(desktop, SE_WINDOW_OBJECT, DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, &dacl, nullptr, &read);
        res != ERROR_SUCCESS) {
        return res;
    }
    UniqueHlocal const readOwner(read); // dacl points into it
    if (dacl == nullptr) {
        // No DACL lets everyone in; an entry added to none would be the
        // only one, and would shut all others out.
        return SetMediumLabel(desktop, 0, nullptr);
    }
    EXPLICIT_ACCESS_W entry{};
    entry.grfAccessPermissions = kDesktopAllAccess;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = NO_INHERITANCE;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_USER;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(user.Sid());
    PACL merged = nullptr;
    if (auto const res = ::SetEntriesInAclW(1, &entry, dacl, &merged); res != ERROR_SUCCESS) {
        return res;
    }
    UniqueHlocal const mergedOwner(merged);
    return SetMediumLabel(desktop, DACL_SECURITY_INFORMATION, merged);
}

} // namespace platform::win32
