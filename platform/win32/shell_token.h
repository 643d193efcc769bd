#pragma once
// Handing an elevated copy's starts and desktops to the user of the shell,
// whose token is not elevated.

#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_api.h"

#include <string>

namespace platform::win32 {

// The desktop's name with this process's window station in front, as
// CreateProcessWithTokenW needs it: given a name without one, it grants the
// token's user access to the window station and desktop itself.
std::wstring QualifiedDesktopName(std::wstring const& desktop);

// A security descriptor for a new desktop: full access for the token's user,
// SYSTEM and the administrators, at medium integrity, so that a copy that
// is not elevated can use it too. Empty when it cannot be built.
UniqueHlocal DesktopSecurityFor(HANDLE token);

} // namespace platform::win32
