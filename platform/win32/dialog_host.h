#pragma once
// Runs a seam Dialog in a real modal dialog box. The dialog procedure hands
// the dialog a Window for its box and passes it every message.

#include "platform/dialog.h"
#include "platform/win32/windows_api.h"

namespace platform::win32 {

// DialogBoxParamW on the dialog's template from the program's module; returns
// what the dialog ended with, or -1 when the box could not be created.
int RunDialogModal(Dialog& dialog, HWND owner);

} // namespace platform::win32
