#include "app/switcher_app.h"

#include "app/switcher_dialog.h"

namespace quorvane {

void RunSwitcherApp(platform::Os& os) {
    SwitcherDialog dialog(os);
    // The dialog's modal loop is the program's only message loop; when it
    // ends, so does the process. Its result means nothing here.
    os.ui.RunModal(dialog, {});
}

} // namespace quorvane
