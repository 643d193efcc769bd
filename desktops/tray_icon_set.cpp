#include "desktops/tray_icon_set.h"

#include "desktops/desktop_table.h"
#include "platform/messages.h"

#include <algorithm>
#include <utility>

namespace quorvane {
namespace {

platform::NotifyIcon RecordFor(platform::WindowHandle window, DesktopSlot const& slot) {
    return {window, slot.trayIconId, kTrayIconFlags, TrayNotify, slot.icon, slot.label};
}

bool Contains(platform::Rect const& rect, platform::Point point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

platform::Point Centre(platform::Rect const& rect) {
    return {rect.left + (rect.right - rect.left) / 2, rect.top + (rect.bottom - rect.top) / 2};
}

} // namespace

bool Rebuild(platform::Tray& tray, platform::WindowHandle window, int newCount) {
    RemoveAll(tray, window);
    bool allTaken = true;
    for (int slot = std::min(newCount, kSlotCount); slot >= 1; --slot) {
        auto const record = RecordFor(window, Slot(slot));
        if (!tray.Add(record)) {
            allTaken = false;
            continue;
        }
        // Where the shell refuses, the icon keeps the first behaviour, in
        // which the right press handling serves the keyboard too.
        tray.SetVersion(record, platform::kNotifyIconVersion);
    }
    return allTaken;
}

void RemoveAll(platform::Tray& tray, platform::WindowHandle window) {
    for (auto const& slot : DesktopTable) {
        tray.Delete(RecordFor(window, slot));
    }
}

TrayAction ClassifyTrayNotify(std::uintptr_t iconId, std::uintptr_t mouseMessage) {
    switch (mouseMessage) {
    case platform::kWmLButtonDown:
        if (auto const slot = SlotOfTrayId(iconId)) {
            return {TrayAction::Kind::SwitchDesktop, *slot};
        }
        return {};
    case platform::kWmRButtonDown:
        return {TrayAction::Kind::ShowMenu, 0};
    default:
        return {};
    }
}

bool TrayInput::Within(std::optional<Moment> const& moment, std::uintptr_t iconId,
                       std::uint64_t now, unsigned milliseconds) {
    return moment && moment->iconId == iconId && now - moment->at < milliseconds;
}

TrayAction TrayInput::Classify(std::uintptr_t iconId, std::uintptr_t message, std::uint64_t now,
                               unsigned doubleClickMs) {
    if (message == platform::kWmMouseMove || message == platform::kWmRButtonUp) {
        return {}; // between a press and what follows it
    }
    auto const rightPress = std::exchange(rightPress_, std::nullopt);
    auto const keySelect = std::exchange(keySelect_, std::nullopt);
    switch (message) {
    case platform::kWmRButtonDown:
    case platform::kWmRButtonDblClk: // the second press of a double-click opens nothing
        rightPress_ = Moment{iconId, now};
        break;
    case platform::kWmContextMenu:
        // Also the end of a right click, which opened its menu at the press.
        if (menuOpen || Within(rightPress, iconId, now, doubleClickMs)) {
            return {};
        }
        return {TrayAction::Kind::ShowKeyboardMenu, 0};
    case platform::kNinKeySelect:
        if (Within(keySelect, iconId, now, doubleClickMs)) {
            return {}; // Enter's second
        }
        keySelect_ = Moment{iconId, now};
        return ClassifyTrayNotify(iconId, platform::kWmLButtonDown); // flips as a left press
    default:
        break; // NIN_SELECT among them: its left press has switched already
    }
    return ClassifyTrayNotify(iconId, message);
}

platform::NotifyIcon IconIdentity(platform::WindowHandle window, std::uint32_t iconId) {
    return {window, iconId, 0, 0, 0, {}};
}

MenuPlacement PlaceTrayMenu(platform::Tray& tray, platform::WindowHandle window,
                            std::uint32_t iconId, platform::Point pointer) {
    // For icons of the first record layout Windows sends Enter, Space and the
    // menu key on a focused icon as a right press, so the pointer may then be
    // anywhere, on another monitor even.
    auto const icon = tray.IconRect(IconIdentity(window, iconId));
    if (!icon || Contains(*icon, pointer)) {
        return {pointer, false};
    }
    return {Centre(*icon), true};
}

MenuPlacement PlaceKeyboardMenu(platform::Tray& tray, platform::WindowHandle window,
                                std::uint32_t iconId, platform::Point pointer) {
    auto const icon = tray.IconRect(IconIdentity(window, iconId));
    return {icon ? Centre(*icon) : pointer, true};
}

} // namespace quorvane
