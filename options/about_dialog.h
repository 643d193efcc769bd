#pragma once
// The About box and its entry in the options window's system menu.

#include "platform/dialog.h"
#include "platform/system.h"
#include "platform/window.h"
#include "res/resource_ids.h"

namespace quorvane {

inline constexpr platform::CommandId kAboutSystemCommand = IDM_ABOUTBOX;
// The system keeps the low four bits of a system-menu command for itself.
inline constexpr platform::WParam kSystemCommandMask = 0xFFF0;

class AboutDialog : public platform::Dialog {
  public:
    AboutDialog(platform::Ui& ui, platform::System& system) : Dialog(ui, system, IDD_ABOUTBOX) {}
};

// Runs the About box modally, owned by the given window.
void ShowAbout(platform::Ui& ui, platform::System& system, platform::WindowHandle owner);

// Appends a separator and "About Quorvane..." to the window's system menu.
void AddAboutToSystemMenu(platform::Ui& ui, platform::System& system, platform::Window& window);

// Whether a WM_SYSCOMMAND parameter is the About entry's command.
bool IsAboutCommand(platform::WParam command);

} // namespace quorvane
