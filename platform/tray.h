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

// The behaviour asked for with NIM_SETVERSION: the keyboard's own messages
// instead of a right press. Version 4 would move the icon id out of the
// callback's first parameter and hide the standard tip.
inline constexpr std::uint32_t kNotifyIconVersion = 3;
// Sent, in the callback's second parameter, to icons of that version: after
// a left click, and for Enter or Space on an icon that has the focus.
inline constexpr MessageId kNinSelect = 0x0400;    // WM_USER
inline constexpr MessageId kNinKeySelect = 0x0401; // NIN_SELECT | NINF_KEY

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
    // NIM_SETVERSION for an icon already added; false when the shell keeps
    // the first behaviour for it.
    virtual bool SetVersion(NotifyIcon const& icon, std::uint32_t version) = 0;
    // Where the icon is on the screen; nothing where the system cannot say.
    virtual std::optional<Rect> IconRect(NotifyIcon const& icon) = 0;
    // NIM_SETFOCUS: the keyboard focus back to the notification area.
    virtual void ReturnFocus(NotifyIcon const& icon) = 0;
};

} // namespace platform
