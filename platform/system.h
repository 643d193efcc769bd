#pragma once
// Process, environment, module and message-text services.

#include "platform/messages.h"
#include "platform/types.h"
#include "platform/unique.h"

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct ProcessStart {
    ProcessHandle process; // zero when the start failed
    ErrorCode error = kSuccess;
};

struct ShellToken {
    TokenHandle token;     // zero when no shell runs or a call failed
    bool elevated = true;  // also when that could not be told
    bool sameUser = false; // this process's own user; false also when that could not be told
};

class System {
  public:
    virtual ~System() = default;
    // The variable's value, or nothing when it is not set. Any length.
    virtual std::optional<std::wstring> Environment(std::wstring const& name) = 0;
    // The running program's full path; nothing when the system cannot give
    // all of it.
    virtual std::optional<std::wstring> ModulePath() = 0;
    // CreateProcessW with a private writable copy of commandLine, handles
    // inherited, NORMAL_PRIORITY_CLASS, started on the named desktop of this
    // window station. With a token, CreateProcessWithTokenW as that token's
    // user instead, which inherits no handles. The thread's handle is closed
    // at once; the process's is the caller's to close.
    virtual ProcessStart StartProcess(std::wstring const& commandLine, std::wstring const& desktop,
                                      TokenHandle asUser) = 0;
    // Whether the process has ended, for whatever reason; false also when
    // that cannot be told.
    virtual bool HasEnded(ProcessHandle process) = 0;
    virtual void CloseProcess(ProcessHandle process) = 0;
    // A steady count of milliseconds that does not wrap while the program runs.
    virtual std::uint64_t Milliseconds() = 0;
    // Whether this process runs with an administrator's full rights; false
    // also when that cannot be told.
    virtual bool IsElevated() = 0;
    // Whether Windows is ending the session (SM_SHUTTINGDOWN).
    virtual bool ShuttingDown() = 0;
    // A primary token of the process that owns this desktop's shell window,
    // fit for StartProcess and Desktops::Grant.
    virtual ShellToken OpenShellToken() = 0;
    virtual void CloseToken(TokenHandle token) = 0;
    // From now on a drive with no disk in it fails the call that used it
    // instead of bringing up the system's "no disk" box.
    virtual void QuietCriticalErrors() = 0;
    // The system's text for an error code in the neutral language, as
    // FormatMessageW gives it; nothing when the system has none.
    virtual std::optional<std::wstring> ErrorText(ErrorCode code) = 0;
    // A string resource of the program; empty when it is missing.
    virtual std::wstring LoadString(ResourceId id) = 0;
    // Whether the help file exists and the help viewer accepted it.
    virtual bool LaunchHelp(std::wstring const& helpFile, std::uint32_t context) = 0;
};

} // namespace platform

namespace platform {

class Dialog;

// Process-wide user-interface objects: icons, menus and modal dialogs.
class Ui {
  public:
    virtual ~Ui() = default;
    // An icon resource of the program drawn for the given size.
    virtual IconHandle LoadIcon(ResourceId id, IconSize size) = 0;
    virtual void DestroyIcon(IconHandle icon) = 0;
    virtual MenuHandle LoadMenu(ResourceId id) = 0;
    virtual void DestroyMenu(MenuHandle menu) = 0;
    virtual void SetDefaultItem(MenuHandle menu, int popupIndex, int itemPosition) = 0;
    virtual bool AppendSeparator(MenuHandle menu) = 0;
    virtual bool AppendItem(MenuHandle menu, CommandId id, std::wstring const& text) = 0;
    virtual MessageId RegisterMessage(std::wstring const& name) = 0;
    // The user's double-click time, in milliseconds.
    virtual unsigned DoubleClickMs() = 0;
    // Creates the dialog's window from its template and runs its modal loop
    // until the dialog ends; returns the dialog's result.
    virtual int RunModal(Dialog& dialog, WindowHandle owner) = 0;
};

using UniqueIcon = Unique<IconHandle, Ui, &Ui::DestroyIcon>;
using UniqueMenu = Unique<MenuHandle, Ui, &Ui::DestroyMenu>;
using UniqueToken = Unique<TokenHandle, System, &System::CloseToken>;
using UniqueProcess = Unique<ProcessHandle, System, &System::CloseProcess>;

} // namespace platform
