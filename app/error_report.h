#pragma once
// The program's two ways of telling about a failure. Neither stops anything:
// the caller carries on with its next step.

#include "platform/files.h"
#include "platform/system.h"
#include "platform/window.h"

#include <string>

namespace quorvane {

inline constexpr wchar_t kErrorCaption[] = L"Error";
inline constexpr wchar_t kFailureLogPath[] = L"d:\\logs.txt";

// The system's text for the code, or a plain line naming the code when the
// system has none, so the box is never empty.
std::wstring ErrorText(platform::System& system, platform::ErrorCode code);

// Shows the "Error" box for the code, owned by the given window, and
// returns when the user has closed it.
void ErrorReport(platform::System& system, platform::Window& owner, platform::ErrorCode code);

// Appends one line to the failure log; a log that cannot be written is skipped.
void FailureLog(platform::Files& files, std::wstring const& text);

} // namespace quorvane
