#include "platform/win32/dialog_host.h"
#include "platform/win32/native.h"
#include "platform/win32/services.h"

namespace platform::win32 {

IconHandle Win32Ui::LoadIcon(ResourceId id, IconSize size) {
    // Loaded at the system's size for the current DPI, so it is drawn crisp.
    return FromNative<IconHandle>(LoadProgramIcon(id, size));
}

void Win32Ui::DestroyIcon(IconHandle icon) {
    ::DestroyIcon(ToNative(icon));
}

MenuHandle Win32Ui::LoadMenu(ResourceId id) {
    return FromNative<MenuHandle>(::LoadMenuW(ProgramModule(), MAKEINTRESOURCEW(id)));
}

void Win32Ui::DestroyMenu(MenuHandle menu) {
    ::DestroyMenu(ToNative(menu));
}

void Win32Ui::SetDefaultItem(MenuHandle menu, int popupIndex, int itemPosition) {
    ::SetMenuDefaultItem(::GetSubMenu(ToNative(menu), popupIndex), static_cast<UINT>(itemPosition),
                         TRUE);
}

bool Win32Ui::AppendSeparator(MenuHandle menu) {
    return ::AppendMenuW(ToNative(menu), MF_SEPARATOR, 0, nullptr) != FALSE;
}

bool Win32Ui::AppendItem(MenuHandle menu, CommandId id, std::wstring const& text) {
    return ::AppendMenuW(ToNative(menu), MF_STRING, id, text.c_str()) != FALSE;
}

MessageId Win32Ui::RegisterMessage(std::wstring const& name) {
    return ::RegisterWindowMessageW(name.c_str());
}

unsigned Win32Ui::DoubleClickMs() {
    return ::GetDoubleClickTime();
}

int Win32Ui::RunModal(Dialog& dialog, WindowHandle owner) {
    return RunDialogModal(dialog, ToNative(owner));
}

} // namespace platform::win32
