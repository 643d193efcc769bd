#pragma once
// Opening and creating the four desktops, equipping new ones with a shell and
// a copy of the program, switching between them and closing them.

#include "desktops/shell_watch.h"
#include "platform/desktops.h"
#include "platform/os.h"
#include "platform/window.h"

#include <array>
#include <cstdint>
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
// How often a first start held while the session may end looks again.
inline constexpr unsigned kSessionEndWaitMs = 250;
// Not every question whether the session may end is answered: a Restart
// Manager shutdown that another program refused, or a program that asks
// every window, is followed by nothing. Past this, with Windows not
// shutting down, the session goes on.
inline constexpr std::uint64_t kSessionEndHoldMs = 60 * 1000;

// What the user or Windows said while the program took its messages, in a
// box or a pause. A first start reads it again after each of them.
struct RunState {
    // Exit was chosen, or the session ended: nothing more is opened,
    // created, started or watched.
    bool ended = false;
    // Windows asked whether the session may end and has not yet said
    // whether it does. It ends the session's processes one by one meanwhile,
    // so nothing is started now that would only be ended, or stand in its way.
    bool sessionEnding = false;
    std::uint64_t endingAskedAt = 0; // the steady clock's milliseconds
};

// Whether Windows may be ending the session: it says it is shutting down,
// or it asked less than kSessionEndHoldMs ago and has not answered.
bool SessionMayBeEnding(platform::System& system, RunState const& state);

// Holds a first start while the session may be ending, taking messages so
// that Windows' answer can arrive; false once it must stop.
bool MayGoOn(platform::System& system, platform::Window& owner, RunState const& state);

// Says, once in this copy's run, that something meant to run as the shell's
// user goes ahead as this copy, with an administrator's rights: the first
// refusal shows its "Error" box, later ones show nothing.
class RightsNotice {
  public:
    RightsNotice(platform::Os& os, platform::Window& owner, RunState const& state)
        : os_(os), owner_(owner), state_(state) {}
    // Whether what was refused goes ahead as this copy: not once Exit was
    // chosen, also in the box.
    bool GoAhead(platform::ErrorCode refused);

  private:
    platform::Os& os_;
    platform::Window& owner_;
    RunState const& state_;
    bool said_ = false;
};

// Opens "Default" and opens or creates the other three, equipping each
// desktop this call created and handing its shell to `shells`. Failures are
// reported and the next slot follows. `state` is read again after every
// "Error" box and every pause (MayGoOn).
void OpenAllDesktops(platform::Os& os, platform::Window& owner, DesktopHandles& handles,
                     ShellWatch& shells, RunState const& state);

struct Started {
    platform::UniqueProcess process; // empty when the start failed
    platform::ErrorCode error = platform::kSuccess;
    platform::TokenHandle as; // whose rights it runs with; zero: this copy's
};

// Starts the shell and then a copy of this program on the named desktop,
// both as the token's user when there is one; the copy is not started once
// the start must stop. Returns the shell's start; its process is empty
// when it did not start or the start stopped first.
Started ShellLauncher(platform::Os& os, platform::Window& owner, std::wstring const& desktop,
                      platform::TokenHandle asUser, RightsNotice& notice, RunState const& state);

// The one way a desktop's shell is started, the first time and again after
// it ended. A first start refused to the token's user goes ahead as this
// copy, told to `notice`. A restart (no notice) never does: the user is not
// watching, and a shell that ran with their own rights must not come back
// as an administrator's.
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
