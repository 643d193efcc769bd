#pragma once
// The seam's Window over one dialog window, and its paint context.

#include "platform/window.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {

class Win32PaintSurface final : public platform::PaintSurface {
  public:
    explicit Win32PaintSurface(HWND window);
    ~Win32PaintSurface() override;
    Win32PaintSurface(Win32PaintSurface const&) = delete;
    Win32PaintSurface& operator=(Win32PaintSurface const&) = delete;

    Size ClientSize() override;
    void EraseIconBackground() override;
    void DrawIcon(IconHandle icon, Point at) override;

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
};

class Win32Window final : public platform::Window {
  public:
    explicit Win32Window(HWND window) : window_(window) {}

    WindowHandle Handle() override;
    void Show(ShowCommand command) override;
    bool IsMinimised() override;
    void Centre() override;
    void EndDialog(int result) override;
    void SetIcon(IconSize size, IconHandle icon) override;
    void SetTimer(TimerId id, unsigned milliseconds) override;
    void KillTimer(TimerId id) override;
    void TakeMessages(unsigned milliseconds, bool const& stop) override;
    void QuitLoops() override;
    int MessageBox(std::wstring const& text, std::wstring const& caption, unsigned type) override;
    std::unique_ptr<PaintSurface> BeginPaint() override;
    Size IconMetrics() override;

    void ComboAddString(int control, std::wstring const& text) override;
    void ComboSelect(int control, int index) override;
    int ComboSelection(int control) override;
    std::wstring ComboText(int control) override;
    bool IsChecked(int control) override;
    void SetChecked(int control, bool checked) override;

    MenuHandle SystemMenu() override;
    Point CursorPosition() override;
    bool IsForeground() override;
    CommandId TrackPopup(MenuHandle menu, int popupIndex, unsigned flags, Point at) override;

    // For the dialog host: every WM_WINDOWPOSCHANGING of the window.
    void OnPositionChanging(WINDOWPOS& change) const;

  private:
    LRESULT SendToControl(int control, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_;
    // Hidden through Show, and to stay so until Show shows it again.
    bool hiddenOnRequest_ = false;
};

} // namespace platform::win32
