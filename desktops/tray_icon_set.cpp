#include "desktops/tray_icon_set.h"

#include "desktops/desktop_table.h"
#include "platform/messages.h"

#include <algorithm>

namespace quorvane {
namespace {

platform::NotifyIcon RecordFor(platform::WindowHandle window, DesktopSlot const& slot) {
    return {window, slot.trayIconId, kTrayIconFlags, TrayNotify, slot.icon, slot.label};
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

} // namespace quorvane
