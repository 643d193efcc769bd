#pragma once
// Starting again the shell of a desktop this copy made, when that shell
// ends. Windows restarts only the shell of "Default"; a desktop left without
// one has no taskbar and no notification area, so its user has no way back
// to the other desktops.

#include "platform/os.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// A shell that keeps ending is started again this many times within the
// window at most, then left alone.
inline constexpr std::size_t kMostShellRestarts = 3;
inline constexpr std::uint64_t kShellRestartWindowMs = 2 * 60 * 1000;

class ShellWatch {
  public:
    // The shell just started on the desktop this copy made, as asUser (zero:
    // as this copy). A missing process is not watched.
    void Watch(std::wstring const& desktop, platform::TokenHandle asUser,
               platform::UniqueProcess shell);
    // The token the watched shells were started with, kept for their restarts.
    void KeepToken(platform::UniqueToken token);
    bool Watching() const { return !shells_.empty(); }
    // Starts every watched shell that has ended again, as the first time and
    // without waiting. One that ends too often, or whose start fails, is
    // left alone from then on, with a line in the failure log; no box, since
    // nobody asked for this start.
    void RestartEnded(platform::Os& os);
    // Ends the watching and closes the handles it held.
    void Stop();

  private:
    struct Shell {
        std::wstring desktop;
        platform::TokenHandle asUser;
        platform::UniqueProcess process;
        std::vector<std::uint64_t> restartedAt; // within the last window only
    };
    // False once the shell is left alone.
    static bool LookAfter(platform::Os& os, Shell& shell, std::uint64_t now);

    platform::UniqueToken token_;
    std::vector<Shell> shells_;
};

} // namespace quorvane
