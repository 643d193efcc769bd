#pragma once
// The operations on a dialog window the logic needs. The dialog host hands
// one to the dialog when its window has been created.

#include "platform/messages.h"
#include "platform/types.h"

#include <memory>
#include <string>

namespace platform {

// A window's paint context between BeginPaint and EndPaint.
class PaintSurface {
  public:
    virtual ~PaintSurface() = default;
    virtual Size ClientSize() = 0;
    virtual void EraseIconBackground() = 0; // WM_ICONERASEBKGND with this context
    virtual void DrawIcon(IconHandle icon, Point at) = 0;
};

class Window {
  public:
    virtual ~Window() = default;
    virtual WindowHandle Handle() = 0;
    virtual void Show(ShowCommand command) = 0;
    virtual bool IsMinimised() = 0;
    // Centres over the owner when it is visible, otherwise in the work area.
    virtual void Centre() = 0;
    virtual void EndDialog(int result) = 0;
    virtual void SetIcon(IconSize size, IconHandle icon) = 0; // WM_SETICON
    virtual void SetTimer(TimerId id, unsigned milliseconds) = 0;
    virtual void KillTimer(TimerId id) = 0;
    // Lets the time pass while this thread goes on taking and handling its
    // messages as the dialog's own loop would; returns early once one of
    // them has set `stop`.
    virtual void TakeMessages(unsigned milliseconds, bool const& stop) = 0;
    // Ends every modal loop of this thread once the current message is
    // handled, a box's or a menu's as well as the dialog's (WM_QUIT).
    virtual void QuitLoops() = 0;
    virtual int MessageBox(std::wstring const& text, std::wstring const& caption,
                           unsigned type) = 0;
    virtual std::unique_ptr<PaintSurface> BeginPaint() = 0;
    virtual Size IconMetrics() = 0; // SM_CXICON, SM_CYICON

    virtual void ComboAddString(int control, std::wstring const& text) = 0;
    virtual void ComboSelect(int control, int index) = 0; // -1 clears
    virtual int ComboSelection(int control) = 0;          // -1 when none
    // What the combo box's edit field shows, typed or selected; any length.
    virtual std::wstring ComboText(int control) = 0;
    virtual bool IsChecked(int control) = 0;
    virtual void SetChecked(int control, bool checked) = 0;

    // The window's own system menu, not reset; zero when it has none.
    virtual MenuHandle SystemMenu() = 0;
    virtual Point CursorPosition() = 0;
    // Whether this window is the one the user works in (GetForegroundWindow).
    virtual bool IsForeground() = 0;
    // Shows a popup of the menu at a screen point; a choice arrives as
    // WM_COMMAND at this window. Returns the command chosen, zero for none.
    virtual CommandId TrackPopup(MenuHandle menu, int popupIndex, unsigned flags, Point at) = 0;
};

} // namespace platform
