#pragma once
// The four desktops the program flips between, and what identifies each in
// the notification area. Tray icon ids and desktop names are shared with the
// other copies of the program, so they never change.

#include "platform/types.h"
#include "res/resource_ids.h"

#include <array>
#include <cstdint>
#include <optional>

namespace quorvane {

inline constexpr int kSlotCount = 4;
inline constexpr std::uint32_t kTrayIdStep = 17; // tray icon id of slot k is 17 * k

struct DesktopSlot {
    int number;               // 1 to 4
    wchar_t const* label;     // tray tip
    wchar_t const* object;    // desktop object name in this window station
    std::uint32_t trayIconId; // 17 * number
    platform::ResourceId icon;
};

inline constexpr std::array<DesktopSlot, kSlotCount> DesktopTable{{
    {1, L"Desktop I", L"Default", 1 * kTrayIdStep, IDI_DESKTOP_1},
    {2, L"Desktop II", L"Desktop II", 2 * kTrayIdStep, IDI_DESKTOP_2},
    {3, L"Desktop III", L"Desktop III", 3 * kTrayIdStep, IDI_DESKTOP_3},
    {4, L"Desktop IV", L"Desktop IV", 4 * kTrayIdStep, IDI_DESKTOP_4},
}};

// The slot for 1 to 4.
DesktopSlot const& Slot(int number);

// The slot a tray icon id belongs to (the id divided by 17), or nothing for an
// id outside the table, which a stray message could carry.
std::optional<int> SlotOfTrayId(std::uintptr_t id);

} // namespace quorvane
