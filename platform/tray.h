#pragma once
// The notification area.

#include "platform/types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

inline constexpr std::uint32_t kNifMessage = 0x1;
inline constexpr std::uint32_t kNifIcon = 0x2;
inline constexpr std::uint32_t kNifTip = 0x4;

// What goes into a NOTIFYICONDATAW in its first, 152-byte layout.
struct NotifyIcon {
    WindowHandle window;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    MessageId callbackMessage = 0;
    ResourceId icon = 0; // an icon resource of the program, loaded at small icon size
    std::wstring tip;    // cut to the 63 characters the layout holds
};

class Tray {
  public:
    virtual ~Tray() = default;
    // NIM_ADD; false when the notification area did not take the icon.
    virtual bool Add(NotifyIcon const& icon) = 0;
    virtual void Delete(NotifyIcon const& icon) = 0; // NIM_DELETE; result not needed
    // Where the icon is on the screen; nothing where the system cannot say.
    virtual std::optional<Rect> IconRect(NotifyIcon const& icon) = 0;
    // NIM_SETFOCUS: the keyboard focus back to the notification area.
    virtual void ReturnFocus(NotifyIcon const& icon) = 0;
};

} // namespace platform
