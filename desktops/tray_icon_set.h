#pragma once
// The notification-area icons: one per offered desktop, each a way back to
// that desktop and to the program's menu.

#include "platform/messages.h"
#include "platform/tray.h"
#include "platform/types.h"

#include <cstdint>
#include <optional>

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
// four first, then adds from the highest slot down, each asked at once for
// the keyboard's own messages. True when the notification area took every
// icon; one that keeps the first behaviour counts as taken.
bool Rebuild(platform::Tray& tray, platform::WindowHandle window, int newCount);

// Removes the icons of all four slots.
void RemoveAll(platform::Tray& tray, platform::WindowHandle window);

// The record that names an icon, for the calls that need nothing else.
platform::NotifyIcon IconIdentity(platform::WindowHandle window, std::uint32_t iconId);

// What a message from an icon asks for.
struct TrayAction {
    enum class Kind { None, SwitchDesktop, ShowMenu, ShowKeyboardMenu };
    Kind kind = Kind::None;
    int slot = 0; // for SwitchDesktop
};

// The mouse messages alone, as icons of the first behaviour send them.
TrayAction ClassifyTrayNotify(std::uintptr_t iconId, std::uintptr_t mouseMessage);

// Turns the icons' messages into actions, once per press or key. Icons of
// the newer behaviour follow a left click with NIN_SELECT and a right click
// with WM_CONTEXTMENU, and Enter sends NIN_KEYSELECT twice; the presses
// themselves act as they always did.
class TrayInput {
  public:
    // now: milliseconds since the system started; doubleClickMs: the
    // user's double-click time.
    TrayAction Classify(std::uintptr_t iconId, std::uintptr_t message, std::uint64_t now,
                        unsigned doubleClickMs);

    // True while the tray menu is open: its loop still delivers the icons'
    // messages, the rest of the click that opened it among them.
    bool menuOpen = false;

  private:
    struct Moment {
        std::uintptr_t iconId = 0;
        std::uint64_t at = 0;
    };
    static bool Within(std::optional<Moment> const& moment, std::uintptr_t iconId,
                       std::uint64_t now, unsigned milliseconds);

    // Each is remembered for the next message only (moves and the right
    // release aside): the right press whose WM_CONTEXTMENU follows, and the
    // key that flipped, which Enter sends twice.
    std::optional<Moment> rightPress_;
    std::optional<Moment> keySelect_;
};

// Where the tray menu of a pressed icon opens.
struct MenuPlacement {
    platform::Point at;
    // Asked for from the keyboard: the focus goes back to the notification
    // area when the menu closes without a choice.
    bool fromKeyboard = false;
};

// After a right press: at the pointer when it rests on the icon, as after a
// mouse press; at the icon when it rests elsewhere, as after a key on an
// icon of the first behaviour; at the pointer when the system cannot say
// where the icon is.
MenuPlacement PlaceTrayMenu(platform::Tray& tray, platform::WindowHandle window,
                            std::uint32_t iconId, platform::Point pointer);

// After the menu key: at the icon, or at the pointer when the system cannot
// say where the icon is.
MenuPlacement PlaceKeyboardMenu(platform::Tray& tray, platform::WindowHandle window,
                                std::uint32_t iconId, platform::Point pointer);

} // namespace quorvane
