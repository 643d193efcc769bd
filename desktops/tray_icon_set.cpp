#include "desktops/tray_icon_set.h"

#include "desktops/desktop_table.h"
#include "platform/messages.h"

#include <algorithm>

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
        allTaken = tray.Add(RecordFor(window, Slot(slot))) && allTaken;
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

} // namespace quorvane
