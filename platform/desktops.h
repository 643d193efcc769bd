#pragma once
// Desktop objects of the process's window station.

#include "platform/types.h"
#include "platform/unique.h"

#include <string>

namespace platform {

struct DesktopResult {
    DesktopHandle handle; // zero on failure
    ErrorCode error = kSuccess;
};

class Desktops {
  public:
    virtual ~Desktops() = default;
    // OpenDesktopW(name, DF_ALLOWOTHERACCOUNTHOOK, not inheritable, GENERIC_ALL).
    virtual DesktopResult Open(std::wstring const& name) = 0;
    // CreateDesktopW(name, DF_ALLOWOTHERACCOUNTHOOK, GENERIC_ALL), inheritable
    // handle, no security descriptor: the desktop gets what the window
    // station hands down.
    virtual DesktopResult Create(std::wstring const& name) = 0;
    // Adds to the desktop's DACL one entry granting the token's user every
    // desktop right, keeping all it had, and labels the desktop at medium
    // integrity, so that a process that is not elevated can use it too.
    virtual ErrorCode Grant(DesktopHandle desktop, TokenHandle user) = 0;
    virtual void Switch(DesktopHandle desktop) = 0;
    virtual void Close(DesktopHandle desktop) = 0;
};

using UniqueDesktop = Unique<DesktopHandle, Desktops, &Desktops::Close>;

} // namespace platform
