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
    // handle. With a token, the desktop grants that token's user full access
    // at medium integrity, besides SYSTEM and the administrators; without
    // one it gets this process's default security. Fails when the grant
    // cannot be made.
    virtual DesktopResult Create(std::wstring const& name, TokenHandle grantee) = 0;
    virtual void Switch(DesktopHandle desktop) = 0;
    virtual void Close(DesktopHandle desktop) = 0;
};

using UniqueDesktop = Unique<DesktopHandle, Desktops, &Desktops::Close>;

} // namespace platform
