#pragma once
// Opening and creating the four desktops, equipping new ones with a shell and
// a copy of the program, switching between them and closing them.

#include "desktops/shell_watch.h"
#include "platform/desktops.h"
#include "platform/os.h"
#include "platform/window.h"

#include <array>
#include <string>

namespace quorvane {

// One handle per slot; element 0 is slot 1 ("Default").
using DesktopHandles = std::array<platform::UniqueDesktop, 4>;

inline constexpr wchar_t kShellFolderVariable[] = L"SystemRoot";
inline constexpr wchar_t kDefaultShellFolder[] = L"C:\\WINDOWS";
inline constexpr wchar_t kShellFile[] = L"\\explorer.exe";
inline constexpr wchar_t kShellFailureLogText[] = L"Can't run explorer";
// Gives a new desktop's shell time to start before the copy of the program
// that will put its icons in that shell's notification area. The window
// keeps taking its messages meanwhile, so it never looks hung.
inline constexpr unsigned kShellStartPauseMs = 3000;

// Says, once in this copy's run, that something meant to run as the shell's
// user goes ahead as this copy, with an administrator's rights: the first
// refusal shows its "Error" box, later ones show nothing.
class RightsNotice {
  public:
    RightsNotice(platform::Os& os, platform::Window& owner, bool const& ended)
        : os_(os), owner_(owner), ended_(ended) {}
    // Whether what was refused goes ahead as this copy: not once Exit was
    // chosen, also in the box.
    bool GoAhead(platform::ErrorCode refused);

  private:
    platform::Os& os_;
    platform::Window& owner_;
    bool const& ended_;
    bool said_ = false;
};

// Opens "Default" and opens or creates the other three, equipping each
// desktop this call created and handing its shell to `shells`. Failures are
// reported and the next slot follows. `ended` is read again after every
// "Error" box and every pause: Exit can be chosen in either, and from then on
// nothing more is opened, created, started or watched.
void OpenAllDesktops(platform::Os& os, platform::Window& owner, DesktopHandles& handles,
                     ShellWatch& shells, bool const& ended);

// Starts the shell and then a copy of this program on the named desktop,
// both as the token's user when there is one; the copy is not started once
// `ended` is set. Returns the shell's process, empty when it did not start
// or Exit came first.
platform::UniqueProcess ShellLauncher(platform::Os& os, platform::Window& owner,
                                      std::wstring const& desktop, platform::TokenHandle asUser,
                                      RightsNotice& notice, bool const& ended);

struct Started {
    platform::UniqueProcess process; // empty when the start failed
    platform::ErrorCode error = platform::kSuccess;
};

// The one way a desktop's shell is started, the first time and again after
// it ended, so both follow the same rules. A start refused to the token's
// user goes ahead as this copy, told to `notice` when there is one.
Started StartShell(platform::System& system, std::wstring const& desktop,
                   platform::TokenHandle asUser, RightsNotice* notice = nullptr);

// What this copy starts and creates is handed the shell's own rights when
// this copy is elevated and the shell is not: nothing started from the new
// desktops may run as administrator unasked. Only a shell of this copy's own
// user lends them: another user's would start everything with that user's
// profile and files. Zero means: as this copy.
platform::UniqueToken UnelevatedShellToken(platform::System& system);

// A path in double quotes, so a space in it cannot start another program.
std::wstring QuotedCommandLine(std::wstring const& path);

// The shell's command line, from the Windows folder of this session.
std::wstring ShellCommandLine(platform::System& system);

// Makes the slot's desktop the input desktop; a slot that failed to open does nothing.
void SwitchTo(platform::Desktops& desktops, DesktopHandles const& handles, int slot);

// Closes slots 2 to 4. Slot 1 stays open as long as the program runs.
void CloseDesktops(DesktopHandles& handles);

} // namespace quorvane
