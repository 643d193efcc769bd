#pragma once
// The Win32 message, command and flag values the logic uses, spelled out so
// the logic needs no Windows header. The Windows layer checks each against
// <windows.h> at compile time.

#include "platform/types.h"

namespace platform {

inline constexpr MessageId kWmPaint = 0x000F;
inline constexpr MessageId kWmQueryEndSession = 0x0011;
inline constexpr MessageId kWmEndSession = 0x0016;
inline constexpr MessageId kWmQueryDragIcon = 0x0037;
inline constexpr MessageId kWmContextMenu = 0x007B;
inline constexpr MessageId kWmHelp = 0x0053;
inline constexpr MessageId kWmCommand = 0x0111;
inline constexpr MessageId kWmSysCommand = 0x0112;
inline constexpr MessageId kWmTimer = 0x0113;
inline constexpr MessageId kWmMouseMove = 0x0200;
inline constexpr MessageId kWmLButtonDown = 0x0201;
inline constexpr MessageId kWmLButtonUp = 0x0202;
inline constexpr MessageId kWmLButtonDblClk = 0x0203;
inline constexpr MessageId kWmRButtonDown = 0x0204;
inline constexpr MessageId kWmRButtonUp = 0x0205;
inline constexpr MessageId kWmRButtonDblClk = 0x0206;
inline constexpr MessageId kWmMButtonDown = 0x0207;

// In WM_QUERYENDSESSION's and WM_ENDSESSION's lParam: the Restart Manager
// asks this program to close while the session goes on.
inline constexpr std::uintptr_t kEndSessionCloseApp = 0x00000001;

inline constexpr CommandId kIdOk = 1;
inline constexpr CommandId kIdCancel = 2;

enum class ShowCommand { Hide = 0, Show = 5 };

enum class IconSize { Small, Large }; // SM_CXSMICON or SM_CXICON pixels

inline constexpr unsigned kMbOk = 0x0000;
inline constexpr unsigned kMbIconError = 0x0010;
inline constexpr unsigned kMbIconExclamation = 0x0030;

inline constexpr unsigned kTpmRightButton = 0x0002;
inline constexpr unsigned kTpmRightAlign = 0x0008;

// Low and high words of a message parameter, as LOWORD/HIWORD give them.
inline constexpr std::uint32_t LowWord(std::uintptr_t value) {
    return static_cast<std::uint32_t>(value & 0xFFFFu);
}

} // namespace platform
