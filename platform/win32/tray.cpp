#include "platform/win32/native.h"
#include "platform/win32/services.h"
#include "platform/win32/unique_handle.h"

#include <algorithm>

#include <shellapi.h>

namespace platform::win32 {
namespace {

// The first layout: every shell takes it, and its tip holds 63 characters.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V1_SIZE;
// uVersion lies beyond the first layout; the shell ignores it in a record
// smaller than the second.
constexpr DWORD kVersionRecordSize = NOTIFYICONDATAW_V2_SIZE;
constexpr std::size_t kTipCharacters = 64; // with the terminator

NOTIFYICONDATAW RecordNaming(NotifyIcon const& icon, DWORD size) {
    NOTIFYICONDATAW data{};
    data.cbSize = size;
    data.hWnd = ToNative(icon.window);
    data.uID = icon.id;
    return data;
}

// Each operation builds its own record. The icon is loaded for an add only,
// and for that call only: the shell keeps a copy of its own.
bool Notify(DWORD operation, NotifyIcon const& icon) {
    bool const needsPicture = operation == NIM_ADD && icon.icon != 0;
    UniqueHicon const picture(needsPicture ? LoadProgramIcon(icon.icon, IconSize::Small) : nullptr);
    NOTIFYICONDATAW data = RecordNaming(icon, kNotifyIconDataSize);
    data.uFlags = icon.flags;
    data.uCallbackMessage = icon.callbackMessage;
    data.hIcon = picture.get();
    auto const tipLength = std::min(icon.tip.size(), kTipCharacters - 1);
    icon.tip.copy(data.szTip, tipLength);
    data.szTip[tipLength] = L'\0';
    return ::Shell_NotifyIconW(operation, &data) != FALSE;
}

} // namespace

bool Win32Tray::Add(NotifyIcon const& icon) {
    return Notify(NIM_ADD, icon);
}

void Win32Tray::Delete(NotifyIcon const& icon) {
    Notify(NIM_DELETE, icon);
}

bool Win32Tray::SetVersion(NotifyIcon const& icon, std::uint32_t version) {
    NOTIFYICONDATAW data = RecordNaming(icon, kVersionRecordSize);
    data.uVersion = version;
    return ::Shell_NotifyIconW(NIM_SETVERSION, &data) != FALSE;
}

std::optional<Rect> Win32Tray::IconRect(NotifyIcon const& icon) {
    // Windows 7 and later; shell32 is loaded already, as the tray calls import it.
    using GetRect = HRESULT WINAPI(NOTIFYICONIDENTIFIER const*, RECT*);
    auto* const getRect = SystemFunction<GetRect>(L"shell32.dll", "Shell_NotifyIconGetRect");
    if (getRect == nullptr) {
        return std::nullopt;
    }
    NOTIFYICONIDENTIFIER identifier{};
    identifier.cbSize = sizeof(identifier);
    identifier.hWnd = ToNative(icon.window);
    identifier.uID = icon.id;
    RECT rect{};
    if (FAILED(getRect(&identifier, &rect))) {
        return std::nullopt;
    }
    return Rect{rect.left, rect.top, rect.right, rect.bottom};
}

void Win32Tray::ReturnFocus(NotifyIcon const& icon) {
    Notify(NIM_SETFOCUS, icon);
}

} // namespace platform::win32
