#pragma once
// Handing an elevated copy's starts and desktops to the user of the shell,
// whose token is not elevated.

#include "platform/types.h"
#include "platform/win32/windows_api.h"

#include <string>

namespace platform::win32 {

// The desktop's name with this process's window station in front, as
// CreateProcessWithTokenW needs it: given a name without one, it grants the
// token's user access to the window station and desktop itself.
std::wstring QualifiedDesktopName(std::wstring const& desktop);

// Adds one entry for the token's user to the desktop's DACL, keeping every
// entry the desktop got when it was made, and labels it medium. The error
// code of the step that failed, if one did.
ErrorCode GrantDesktopTo(HDESK desktop, HANDLE token);

} // namespace platform::win32
