// The seam spells out the Win32 values the logic uses, so that the logic needs
// no Windows header. Each one is checked here against <windows.h>.

#include "platform/desktops.h"
#include "platform/dialog.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/tray.h"
#include "platform/types.h"
#include "platform/win32/windows_api.h"

#include <shellapi.h>

#include <type_traits>

namespace platform::win32 {
namespace {

// Error codes.
static_assert(kSuccess == ERROR_SUCCESS);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(kErrorFilenameTooLong == ERROR_FILENAME_EXCED_RANGE);
static_assert(kErrorMoreData == ERROR_MORE_DATA);

// Scalar types hold the Win32 values without loss.
static_assert(sizeof(ErrorCode) == sizeof(DWORD));
static_assert(sizeof(MessageId) == sizeof(UINT));
static_assert(sizeof(WParam) == sizeof(WPARAM) && std::is_unsigned_v<WParam>);
static_assert(sizeof(LParam) == sizeof(LPARAM) && std::is_signed_v<LParam>);
static_assert(sizeof(TimerId) == sizeof(UINT_PTR));
static_assert(sizeof(CommandId) >= sizeof(WORD));
static_assert(sizeof(DesktopHandle::value) == sizeof(HDESK));
static_assert(sizeof(Reply::value) == sizeof(INT_PTR));
static_assert(sizeof(Point::x) == sizeof(POINT::x));

// Messages.
static_assert(kWmPaint == WM_PAINT);
static_assert(kWmQueryEndSession == WM_QUERYENDSESSION);
static_assert(kWmEndSession == WM_ENDSESSION);
static_assert(kEndSessionCloseApp == ENDSESSION_CLOSEAPP);
static_assert(kWmQueryDragIcon == WM_QUERYDRAGICON);
static_assert(kWmContextMenu == WM_CONTEXTMENU);
static_assert(kWmHelp == WM_HELP);
static_assert(kWmCommand == WM_COMMAND);
static_assert(kWmSysCommand == WM_SYSCOMMAND);
static_assert(kWmTimer == WM_TIMER);
static_assert(kWmMouseMove == WM_MOUSEMOVE);
static_assert(kWmLButtonDown == WM_LBUTTONDOWN);
static_assert(kWmLButtonUp == WM_LBUTTONUP);
static_assert(kWmLButtonDblClk == WM_LBUTTONDBLCLK);
static_assert(kWmRButtonDown == WM_RBUTTONDOWN);
static_assert(kWmRButtonUp == WM_RBUTTONUP);
static_assert(kWmRButtonDblClk == WM_RBUTTONDBLCLK);
static_assert(kWmMButtonDown == WM_MBUTTONDOWN);

// Commands and dialog results.
static_assert(kIdOk == IDOK);
static_assert(kIdCancel == IDCANCEL);
static_assert(kDialogResultOk == IDOK);
static_assert(kDialogResultCancel == IDCANCEL);

// Show commands.
static_assert(static_cast<int>(ShowCommand::Hide) == SW_HIDE);
static_assert(static_cast<int>(ShowCommand::Show) == SW_SHOW);

// Message box types.
static_assert(kMbOk == MB_OK);
static_assert(kMbIconError == MB_ICONERROR);
static_assert(kMbIconExclamation == MB_ICONEXCLAMATION);

// Popup menu flags.
static_assert(kTpmRightButton == TPM_RIGHTBUTTON);
static_assert(kTpmRightAlign == TPM_RIGHTALIGN);

// Word extraction.
static_assert(LowWord(0x12345678u) == LOWORD(0x12345678u));
static_assert(LowWord(0xFFFFFFFFu) == LOWORD(0xFFFFFFFFu));

// Notification-area flags.
static_assert(kNifMessage == NIF_MESSAGE);
static_assert(kNifIcon == NIF_ICON);
static_assert(kNifTip == NIF_TIP);
static_assert(kNotifyIconVersion == NOTIFYICON_VERSION);
static_assert(kNinSelect == NIN_SELECT);
static_assert(kNinKeySelect == NIN_KEYSELECT);

// Registry access rights.
static_assert(kKeyRead == KEY_READ);
static_assert(kKeyWrite == KEY_WRITE);
static_assert(kKeySetValue == KEY_SET_VALUE);

// The record layouts the program's behaviour is described in, on 32-bit
// Windows, and the same records as a 64-bit build lays them out.
#if !defined(_WIN64)
static_assert(NOTIFYICONDATAW_V1_SIZE == 152);
static_assert(sizeof(STARTUPINFOW) == 68);
static_assert(sizeof(SECURITY_ATTRIBUTES) == 12);
#else
static_assert(NOTIFYICONDATAW_V1_SIZE == 168);
static_assert(sizeof(STARTUPINFOW) == 104);
static_assert(sizeof(SECURITY_ATTRIBUTES) == 24);
#endif

} // namespace
} // namespace platform::win32
