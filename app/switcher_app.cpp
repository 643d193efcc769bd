#include "app/switcher_app.h"

#include "app/switcher_dialog.h"

namespace quorvane {

void RunSwitcherApp(platform::Os& os) {
    // Before anything touches a file: the failure log goes to d:, which may
    // be an empty card reader or DVD drive, and the system's box about it
    // would wait for the user.
    os.system.QuietCriticalErrors();
    SwitcherDialog dialog(os);
    // The dialog's modal loop is the program's only message loop; when it
    // ends, so does the process. Its result means nothing here.
    os.ui.RunModal(dialog, {});
}

} // namespace quorvane
