#include "desktops/desktop_table.h"

namespace quorvane {

DesktopSlot const& Slot(int number) {
    return DesktopTable.at(static_cast<std::size_t>(number - 1));
}

std::optional<int> SlotOfTrayId(std::uintptr_t id) {
    auto const slot = id / kTrayIdStep;
    if (slot < 1 || slot > kSlotCount) {
        return std::nullopt;
    }
    return static_cast<int>(slot);
}

} // namespace quorvane
