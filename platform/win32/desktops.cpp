#include "platform/win32/native.h"
#include "platform/win32/services.h"
#include "platform/win32/shell_token.h"

namespace platform::win32 {
namespace {

DesktopResult ResultOf(HDESK desktop) {
    if (desktop == nullptr) {
        return DesktopResult{DesktopHandle{}, ::GetLastError()};
    }
    return DesktopResult{FromNative<DesktopHandle>(desktop), kSuccess};
}

} // namespace

DesktopResult Win32Desktops::Open(std::wstring const& name) {
    return ResultOf(::OpenDesktopW(name.c_str(), DF_ALLOWOTHERACCOUNTHOOK, FALSE, GENERIC_ALL));
}

DesktopResult Win32Desktops::Create(std::wstring const& name) {
    // Inheritable, so that the shell and the copy started there hold it too.
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof(security);
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    return ResultOf(::CreateDesktopW(name.c_str(), nullptr, nullptr, DF_ALLOWOTHERACCOUNTHOOK,
                                     GENERIC_ALL, &security));
}

ErrorCode Win32Desktops::Grant(DesktopHandle desktop, TokenHandle user) {
    return GrantDesktopTo(ToNative(desktop), ToNative(user));
}

void Win32Desktops::Switch(DesktopHandle desktop) {
    ::SwitchDesktop(ToNative(desktop));
}

void Win32Desktops::Close(DesktopHandle desktop) {
    ::CloseDesktop(ToNative(desktop));
}

} // namespace platform::win32
