#pragma once
// The notification-area icons: one per offered desktop, each a way back to
// that desktop and to the program's menu.

#include "platform/messages.h"
#include "platform/tray.h"
#include "platform/types.h"

#include <cstdint>

namespace quorvane {

// The tray icons' callback message; other copies and the icons themselves
// carry this number.
inline constexpr platform::MessageId TrayNotify = 0xA123;
inline constexpr std::uint32_t kTrayIconFlags =
    platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
// The shell broadcasts this when its notification area is created anew.
inline constexpr wchar_t kTaskbarCreatedMessage[] = L"TaskbarCreated";
inline constexpr int kTrayMenuPopup = 0;
inline constexpr int kTrayMenuDefaultItem = 0;
inline constexpr unsigned kTrayMenuFlags = platform::kTpmRightButton | platform::kTpmRightAlign;

// Replaces the icons with those of slots 1 to newCount: always removes all
// four first, then adds from the highest slot down. True when the
// notification area took every icon.
bool Rebuild(platform::Tray& tray, platform::WindowHandle window, int newCount);

// Removes the icons of all four slots.
void RemoveAll(platform::Tray& tray, platform::WindowHandle window);

// The record that names an icon, for the calls that need nothing else.
platform::NotifyIcon IconIdentity(platform::WindowHandle window, std::uint32_t iconId);

// What a mouse message over an icon asks for.
struct TrayAction {
    enum class Kind { None, SwitchDesktop, ShowMenu };
    Kind kind = Kind::None;
    int slot = 0; // for SwitchDesktop
};

TrayAction ClassifyTrayNotify(std::uintptr_t iconId, std::uintptr_t mouseMessage);

// Where the tray menu of a pressed icon opens.
struct MenuPlacement {
    platform::Point at;
    // Asked for from the keyboard: the focus goes back to the notification
    // area when the menu closes without a choice.
    bool fromKeyboard = false;
};

// At the pointer when it rests on the icon, as after a mouse press; at the
// icon when it rests elsewhere, as after a key; at the pointer when the
// system cannot say where the icon is.
MenuPlacement PlaceTrayMenu(platform::Tray& tray, platform::WindowHandle window,
                            std::uint32_t iconId, platform::Point pointer);

} // namespace quorvane
