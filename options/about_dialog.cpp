#include "options/about_dialog.h"

namespace quorvane {

void ShowAbout(platform::Ui& ui, platform::System& system, platform::WindowHandle owner) {
    AboutDialog about(ui, system);
    ui.RunModal(about, owner);
}

void AddAboutToSystemMenu(platform::Ui& ui, platform::System& system, platform::Window& window) {
    auto const menu = window.SystemMenu();
    if (!menu) {
        return;
    }
    auto const text = system.LoadString(IDS_ABOUTBOX);
    if (text.empty()) {
        return;
    }
    ui.AppendSeparator(menu);
    ui.AppendItem(menu, kAboutSystemCommand, text);
}

bool IsAboutCommand(platform::WParam command) {
    return (command & kSystemCommandMask) == kAboutSystemCommand;
}

} // namespace quorvane
