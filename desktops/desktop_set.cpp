#include "desktops/desktop_set.h"

#include "app/error_report.h"
#include "desktops/desktop_table.h"

#include <utility>

namespace quorvane {
namespace {

constexpr int kFirstCreatedSlot = 2;

void OpenDefaultDesktop(platform::Os& os, platform::Window& owner,
                        platform::UniqueDesktop& handle) {
    auto const opened = os.desktops.Open(Slot(1).object);
    if (!opened.handle) {
        ErrorReport(os.system, owner, opened.error);
        return;
    }
    handle = platform::UniqueDesktop(os.desktops, opened.handle);
}

void OpenOrCreateDesktop(platform::Os& os, platform::Window& owner, std::wstring const& name,
                         platform::UniqueDesktop& handle, platform::TokenHandle asUser,
                         ShellWatch& shells, RightsNotice& notice, RunState const& state) {
    if (auto const opened = os.desktops.Open(name); opened.handle) {
        handle = platform::UniqueDesktop(os.desktops, opened.handle);
        return;
    }
    auto const created = os.desktops.Create(name);
    if (!created.handle) {
        ErrorReport(os.system, owner, created.error);
        return;
    }
    handle = platform::UniqueDesktop(os.desktops, created.handle);
    if (asUser) {
        if (auto const error = os.desktops.Grant(created.handle, asUser);
            error != platform::kSuccess) {
            // What started there as the shell's user could not use it, so it
            // is equipped as this copy, as it always was.
            asUser = {};
            if (!notice.GoAhead(error)) {
                return;
            }
        }
    }
    auto shell = ShellLauncher(os, owner, name, asUser, notice, state);
    if (!state.ended) {
        // As whom it really started: its restarts keep to that.
        shells.Watch(name, shell.as, std::move(shell.process));
    }
}

Started Start(platform::System& system, std::wstring const& commandLine,
              std::wstring const& desktop, platform::TokenHandle asUser, RightsNotice* notice) {
    // A start the token is refused for (the secondary logon service may be
    // off) goes ahead as this copy rather than leave the desktop without its
    // shell; the user is told, since all started from there then runs with
    // an administrator's rights.
    if (asUser) {
        auto const asThem = system.StartProcess(commandLine, desktop, asUser);
        if (asThem.error == platform::kSuccess) {
            return {platform::UniqueProcess(system, asThem.process), platform::kSuccess, asUser};
        }
        if (notice == nullptr) {
            return {{}, asThem.error, asUser};
        }
        if (!notice->GoAhead(asThem.error)) {
            return {};
        }
    }
    auto const asSelf = system.StartProcess(commandLine, desktop, {});
    return {platform::UniqueProcess(system, asSelf.process), asSelf.error, {}};
}

} // namespace

bool SessionMayBeEnding(platform::System& system, RunState const& state) {
    if (system.ShuttingDown()) {
        return true;
    }
    return state.sessionEnding && system.Milliseconds() - state.endingAskedAt < kSessionEndHoldMs;
}

bool MayGoOn(platform::System& system, platform::Window& owner, RunState const& state) {
    while (!state.ended && SessionMayBeEnding(system, state)) {
        owner.TakeMessages(kSessionEndWaitMs, state.ended);
    }
    return !state.ended;
}

void OpenAllDesktops(platform::Os& os, platform::Window& owner, DesktopHandles& handles,
                     ShellWatch& shells, RunState const& state) {
    OpenDefaultDesktop(os, owner, handles[0]);
    auto asUser = UnelevatedShellToken(os.system);
    // This runs once in a copy's run, so the notice says it once a run.
    RightsNotice notice(os, owner, state);
    for (int slot = kFirstCreatedSlot; slot <= kSlotCount && MayGoOn(os.system, owner, state);
         ++slot) {
        OpenOrCreateDesktop(os, owner, Slot(slot).object,
                            handles[static_cast<std::size_t>(slot - 1)], asUser.get(), shells,
                            notice, state);
    }
    if (!state.ended && shells.Watching()) {
        shells.KeepToken(std::move(asUser));
    }
}

platform::UniqueToken UnelevatedShellToken(platform::System& system) {
    if (!system.IsElevated()) {
        return {};
    }
    auto const shell = system.OpenShellToken();
    platform::UniqueToken token(system, shell.token);
    if (shell.elevated || !shell.sameUser) {
        return {};
    }
    return token;
}

std::wstring QuotedCommandLine(std::wstring const& path) {
    return L"\"" + path + L"\"";
}

std::wstring ShellCommandLine(platform::System& system) {
    auto const folder = system.Environment(kShellFolderVariable).value_or(kDefaultShellFolder);
    return QuotedCommandLine(folder + kShellFile);
}

bool RightsNotice::GoAhead(platform::ErrorCode refused) {
    if (!std::exchange(said_, true)) {
        ErrorReport(os_.system, owner_, refused);
    }
    return MayGoOn(os_.system, owner_, state_);
}

Started StartShell(platform::System& system, std::wstring const& desktop,
                   platform::TokenHandle asUser, RightsNotice* notice) {
    return Start(system, ShellCommandLine(system), desktop, asUser, notice);
}

Started ShellLauncher(platform::Os& os, platform::Window& owner, std::wstring const& desktop,
                      platform::TokenHandle asUser, RightsNotice& notice, RunState const& state) {
    auto shell = StartShell(os.system, desktop, asUser, &notice);
    if (shell.error != platform::kSuccess) {
        ErrorReport(os.system, owner, shell.error);
        FailureLog(os.files, kShellFailureLogText);
    }
    // Exit may be chosen in the "Error" box or during the pause, and a
    // sign-out may begin in either.
    if (!state.ended) {
        owner.TakeMessages(kShellStartPauseMs, state.ended);
    }
    if (!MayGoOn(os.system, owner, state)) {
        return {};
    }
    // A path the system could not give in full would start the wrong file;
    // the copy is then simply not started, as when its start fails. The
    // copy is not watched: it ends only when its user chooses Exit.
    if (auto const self = os.system.ModulePath()) {
        Start(os.system, QuotedCommandLine(*self), desktop, asUser, &notice);
    }
    return shell;
}

void SwitchTo(platform::Desktops& desktops, DesktopHandles const& handles, int slot) {
    if (slot < 1 || slot > kSlotCount) {
        return;
    }
    if (auto const handle = handles[static_cast<std::size_t>(slot - 1)].get()) {
        desktops.Switch(handle);
    }
}

void CloseDesktops(DesktopHandles& handles) {
    for (int slot = kFirstCreatedSlot; slot <= kSlotCount; ++slot) {
        handles[static_cast<std::size_t>(slot - 1)].reset();
    }
}

} // namespace quorvane
