#pragma once
// The application: runs the main dialog modally; the process ends with it.

#include "platform/os.h"

namespace quorvane {

// Runs the program's one dialog until the user chooses "Exit".
void RunSwitcherApp(platform::Os& os);

} // namespace quorvane
