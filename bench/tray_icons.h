#pragma once
// The four notification icons the yardsticks add exactly as Quorvane adds its
// own: ids 17 x slot from slot 4 down to slot 1, the same callback message and
// the first, 152-byte record layout.

#include <windows.h>

#include <shellapi.h>

#include <array>

namespace bench {

constexpr UINT kTrayCallback = 0xA123;
constexpr std::array<UINT, 4> kIconIds{68, 51, 34, 17};
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V1_SIZE;
constexpr wchar_t kTip[] = L"Bench";

// One icon per entry of kIconIds, in the same order.
using TrayIcons = std::array<HICON, kIconIds.size()>;

inline NOTIFYICONDATAW IconRecord(HWND window, UINT id, HICON icon) {
    NOTIFYICONDATAW data{};
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = window;
    data.uID = id;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallback;
    data.hIcon = icon;
    lstrcpynW(data.szTip, kTip, static_cast<int>(sizeof(kTip) / sizeof(kTip[0])));
    return data;
}

inline void AddIcons(HWND window, TrayIcons const& icons) {
    for (std::size_t index = 0; index < kIconIds.size(); ++index) {
        NOTIFYICONDATAW data = IconRecord(window, kIconIds[index], icons[index]);
        Shell_NotifyIconW(NIM_ADD, &data);
    }
}

inline void RemoveIcons(HWND window) {
    for (UINT const id : kIconIds) {
        NOTIFYICONDATAW data = IconRecord(window, id, nullptr);
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
}

} // namespace bench
