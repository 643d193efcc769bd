#include "platform/win32/window.h"

#include "platform/win32/native.h"

namespace platform::win32 {
namespace {

int Width(RECT const& rect) {
    return rect.right - rect.left;
}
int Height(RECT const& rect) {
    return rect.bottom - rect.top;
}

RECT WorkAreaNearest(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        RECT screen{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
        return screen;
    }
    return monitor.rcWork;
}

// The start that centres a length within an area, kept inside the bounds
// where it fits.
int CentredStart(int areaStart, int areaLength, int length, int boundsStart, int boundsEnd) {
    int start = areaStart + (areaLength - length) / 2;
    if (start + length > boundsEnd) {
        start = boundsEnd - length;
    }
    if (start < boundsStart) {
        start = boundsStart;
    }
    return start;
}

} // namespace

Win32PaintSurface::Win32PaintSurface(HWND window) : window_(window) {
    ::BeginPaint(window_, &paint_);
}

Win32PaintSurface::~Win32PaintSurface() {
    ::EndPaint(window_, &paint_);
}

Size Win32PaintSurface::ClientSize() {
    RECT client{};
    ::GetClientRect(window_, &client);
    return Size{Width(client), Height(client)};
}

void Win32PaintSurface::EraseIconBackground() {
    ::SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint_.hdc), 0);
}

void Win32PaintSurface::DrawIcon(IconHandle icon, Point at) {
    ::DrawIcon(paint_.hdc, at.x, at.y, ToNative(icon));
}

WindowHandle Win32Window::Handle() {
    return FromNative<WindowHandle>(window_);
}

void Win32Window::Show(ShowCommand command) {
    hiddenOnRequest_ = command == ShowCommand::Hide;
    ::ShowWindow(window_, hiddenOnRequest_ ? SW_HIDE : SW_SHOW);
}

void Win32Window::OnPositionChanging(WINDOWPOS& change) const {
    // Wine's modal loop shows the dialog the first time its queue runs empty,
    // even when the dialog hid itself before that (a timer that fired first),
    // so a show that this window did not ask for is dropped.
    if (hiddenOnRequest_ && (change.flags & SWP_SHOWWINDOW) != 0) {
        change.flags &= ~SWP_SHOWWINDOW;
        change.flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    }
}

bool Win32Window::IsMinimised() {
    return ::IsIconic(window_) != FALSE;
}

void Win32Window::Centre() {
    RECT window{};
    ::GetWindowRect(window_, &window);
    HWND const owner = ::GetWindow(window_, GW_OWNER);
    bool const overOwner = owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner);

    // The area centred in, and the work area the window is kept inside.
    RECT const bounds = WorkAreaNearest(overOwner ? owner : window_);
    RECT area = bounds;
    if (overOwner) {
        ::GetWindowRect(owner, &area);
    }
    int const x = CentredStart(area.left, Width(area), Width(window), bounds.left, bounds.right);
    int const y = CentredStart(area.top, Height(area), Height(window), bounds.top, bounds.bottom);
    ::SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Window::EndDialog(int result) {
    ::EndDialog(window_, result);
}

void Win32Window::SetIcon(IconSize size, IconHandle icon) {
    WPARAM const which = size == IconSize::Large ? ICON_BIG : ICON_SMALL;
    ::SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(ToNative(icon)));
}

void Win32Window::SetTimer(TimerId id, unsigned milliseconds) {
    ::SetTimer(window_, id, milliseconds, nullptr);
}

void Win32Window::KillTimer(TimerId id) {
    ::KillTimer(window_, id);
}

void Win32Window::TakeMessages(unsigned milliseconds, bool const& stop) {
    // Unsigned differences of the tick count stay right across its wrap.
    DWORD const start = ::GetTickCount();
    while (!stop) {
        DWORD const passed = ::GetTickCount() - start;
        if (passed >= milliseconds) {
            return;
        }
        // Wakes for any message, also one seen but left in the queue.
        ::MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds - passed, QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
        MSG message{};
        while (!stop && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // Left for the loop that owns the thread, which ends on it.
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            // As the dialog's own loop: Tab, Enter and Esc work in the window.
            if (!::IsDialogMessageW(window_, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    }
}

void Win32Window::QuitLoops() {
    // The system's boxes and the dialog manager leave their loops on WM_QUIT
    // and post it again for the loop around them; a menu is ended by name.
    ::EndMenu();
    ::PostQuitMessage(0);
}

int Win32Window::MessageBox(std::wstring const& text, std::wstring const& caption, unsigned type) {
    return ::MessageBoxW(window_, text.c_str(), caption.c_str(), type);
}

std::unique_ptr<PaintSurface> Win32Window::BeginPaint() {
    return std::make_unique<Win32PaintSurface>(window_);
}

Size Win32Window::IconMetrics() {
    auto const pixels = IconPixels(IconSize::Large);
    return Size{pixels.cx, pixels.cy};
}

LRESULT Win32Window::SendToControl(int control, UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(::GetDlgItem(window_, control), message, wParam, lParam);
}

void Win32Window::ComboAddString(int control, std::wstring const& text) {
    SendToControl(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32Window::ComboSelect(int control, int index) {
    SendToControl(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Window::ComboSelection(int control) {
    return static_cast<int>(SendToControl(control, CB_GETCURSEL, 0, 0));
}

std::wstring Win32Window::ComboText(int control) {
    // A drop-down combo box's own text is that of its edit field.
    HWND const combo = ::GetDlgItem(window_, control);
    int const length = ::GetWindowTextLengthW(combo);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int const copied = ::GetWindowTextW(combo, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

bool Win32Window::IsChecked(int control) {
    return ::IsDlgButtonChecked(window_, control) == BST_CHECKED;
}

void Win32Window::SetChecked(int control, bool checked) {
    ::CheckDlgButton(window_, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

MenuHandle Win32Window::SystemMenu() {
    return FromNative<MenuHandle>(::GetSystemMenu(window_, FALSE));
}

Point Win32Window::CursorPosition() {
    POINT cursor{};
    ::GetCursorPos(&cursor);
    return Point{cursor.x, cursor.y};
}

bool Win32Window::IsForeground() {
    return ::GetForegroundWindow() == window_;
}

CommandId Win32Window::TrackPopup(MenuHandle menu, int popupIndex, unsigned flags, Point at) {
    // Unless the owner is the foreground window, the menu stays open when the
    // user clicks elsewhere; the posted message lets it close properly after.
    ::SetForegroundWindow(window_);
    // The choice is returned so the caller knows whether the menu was left
    // without one, and then posted as the menu itself would have.
    auto const chosen = static_cast<CommandId>(
        ::TrackPopupMenu(::GetSubMenu(ToNative(menu), popupIndex), flags | TPM_RETURNCMD, at.x,
                         at.y, 0, window_, nullptr));
    ::PostMessageW(window_, WM_NULL, 0, 0);
    if (chosen != 0) {
        ::PostMessageW(window_, WM_COMMAND, chosen, 0);
    }
    return chosen;
}

} // namespace platform::win32
