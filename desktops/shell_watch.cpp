#include "desktops/shell_watch.h"

#include "app/error_report.h"
#include "desktops/desktop_set.h"

#include <utility>

namespace quorvane {

void ShellWatch::Watch(std::wstring const& desktop, platform::TokenHandle asUser,
                       platform::UniqueProcess shell) {
    if (shell) {
        shells_.push_back({desktop, asUser, std::move(shell), {}});
    }
}

void ShellWatch::KeepToken(platform::UniqueToken token) {
    token_ = std::move(token);
}

void ShellWatch::RestartEnded(platform::Os& os) {
    auto const now = os.system.Milliseconds();
    std::erase_if(shells_, [&](Shell& shell) { return !LookAfter(os, shell, now); });
    if (shells_.empty()) {
        token_.reset();
    }
}

bool ShellWatch::LookAfter(platform::Os& os, Shell& shell, std::uint64_t now) {
    if (!os.system.HasEnded(shell.process.get())) {
        return true;
    }
    std::erase_if(shell.restartedAt,
                  [&](std::uint64_t at) { return now - at >= kShellRestartWindowMs; });
    if (shell.restartedAt.size() >= kMostShellRestarts) {
        FailureLog(os.files, kShellFailureLogText);
        return false;
    }
    shell.restartedAt.push_back(now);
    auto restarted = StartShell(os.system, shell.desktop, shell.asUser);
    if (!restarted.process) {
        FailureLog(os.files, kShellFailureLogText);
        return false;
    }
    shell.process = std::move(restarted.process);
    return true;
}

void ShellWatch::Stop() {
    shells_.clear();
    token_.reset();
}

} // namespace quorvane
