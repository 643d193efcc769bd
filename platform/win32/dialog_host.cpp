#include "platform/win32/dialog_host.h"

#include "platform/win32/native.h"
#include "platform/win32/window.h"

#include <memory>

namespace platform::win32 {
namespace {

// What the dialog procedure keeps for one dialog box, from WM_INITDIALOG to
// WM_NCDESTROY, in the box's GWLP_USERDATA.
struct Host {
    Dialog& dialog;
    Win32Window window;
};

Host* HostOf(HWND box) {
    return reinterpret_cast<Host*>(::GetWindowLongPtrW(box, GWLP_USERDATA));
}

// A copy running elevated would not get the messages other processes send
// it from a lower integrity level (the shell's among them) unless it lets
// them through. The call exists from Windows 7 on; where it is missing, the
// messages arrive anyway.
void AllowMessagesFromOtherProcesses(HWND box, Dialog& dialog) {
    auto const wanted = dialog.MessagesFromOtherProcesses();
    if (wanted.empty()) {
        return;
    }
    using ChangeFilter = BOOL WINAPI(HWND, UINT, DWORD, void*);
    auto* const changeFilter =
        SystemFunction<ChangeFilter>(L"user32.dll", "ChangeWindowMessageFilterEx");
    if (changeFilter == nullptr) {
        return;
    }
    constexpr DWORD kAllow = 1; // MSGFLT_ALLOW
    for (MessageId const message : wanted) {
        changeFilter(box, message, kAllow, nullptr);
    }
}

// The messages whose result a dialog procedure returns itself instead of
// placing it in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    default:
        return false;
    }
}

INT_PTR OnInitDialog(HWND box, Dialog& dialog) {
    std::unique_ptr<Host> host(new Host{dialog, Win32Window(box)});
    ::SetWindowLongPtrW(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(host.get()));
    dialog.Attach(&host.release()->window);
    AllowMessagesFromOtherProcesses(box, dialog);
    return dialog.OnInitDialog() ? TRUE : FALSE;
}

void OnNcDestroy(HWND box, Host* host) {
    std::unique_ptr<Host> const owned(host);
    ::SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    owned->dialog.Attach(nullptr);
}

INT_PTR CALLBACK DialogProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        return OnInitDialog(box, *reinterpret_cast<Dialog*>(lParam));
    }
    Host* const host = HostOf(box);
    if (host == nullptr) {
        return FALSE; // a message sent before WM_INITDIALOG, such as WM_SETFONT
    }
    if (message == WM_NCDESTROY) {
        OnNcDestroy(box, host);
        return FALSE;
    }
    if (message == WM_WINDOWPOSCHANGING) {
        host->window.OnPositionChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
    }
    Reply const reply = host->dialog.Handle(Message{message, wParam, lParam});
    if (!reply.handled) {
        return FALSE;
    }
    if (ReturnsResultDirectly(message)) {
        return reply.value;
    }
    ::SetWindowLongPtrW(box, DWLP_MSGRESULT, reply.value);
    return TRUE;
}

} // namespace

int RunDialogModal(Dialog& dialog, HWND owner) {
    return static_cast<int>(::DialogBoxParamW(ProgramModule(),
                                              MAKEINTRESOURCEW(dialog.TemplateId()), owner,
                                              &DialogProc, reinterpret_cast<LPARAM>(&dialog)));
}

} // namespace platform::win32
