#pragma once
// The program's one window: the options dialog, the receiver of the tray
// icons' messages, and the owner of everything that changes while it runs.

#include "desktops/desktop_set.h"
#include "desktops/tray_icon_set.h"
#include "platform/dialog.h"
#include "platform/os.h"

#include <vector>

namespace quorvane {

inline constexpr platform::TimerId StartupTimer = 0x111;
inline constexpr platform::TimerId SyncTimer = 0x222;
// Lets the window finish appearing before the deferred start-up work.
inline constexpr unsigned kStartupTimerMs = 5;
inline constexpr unsigned kSyncTimerMs = 3000;

class SwitcherDialog : public platform::Dialog {
  public:
    explicit SwitcherDialog(platform::Os& os);

    bool OnInitDialog() override;
    std::vector<platform::MessageId> MessagesFromOtherProcesses() override;

    platform::UniqueMenu trayMenu;
    int desktopCount = 2;
    DesktopHandles desktopHandles;
    // The shells this copy started on the desktops it made, started again
    // when they end.
    ShellWatch watchedShells;
    platform::UniqueIcon appIcon;
    platform::UniqueIcon appIconSmall;
    int runAtStartup = 0;
    // Until a settings file is found at start: the first run keeps the window up.
    bool firstRun = true;
    // The notification area did not take every icon of desktopCount. A shell
    // busy at logon times such adds out, and no message says when it is ready.
    bool iconsMissing = false;
    // `ended` is set by Exit and when the session ends. A box open at that
    // moment (About, "Error", the tray menu) keeps the dialog alive until it
    // closes, and its loop still delivers timer, tray and shell messages;
    // none of them may bring anything back.
    RunState state;
    // While OK is applied. Its "Error" box about the Run value delivers sync
    // ticks, which would read the count OK has not yet written back from the
    // file, take the old one and so undo the user's choice.
    bool applyingOptions = false;

  protected:
    platform::Reply Dispatch(platform::Message const& message) override;
    void ExchangeData(platform::DataExchange& exchange) override;

  private:
    platform::Reply OnSysCommand(platform::Message const& message);
    platform::Reply OnPaint(platform::Message const& message);
    platform::Reply OnQueryDragIcon(platform::Message const& message);
    platform::Reply OnOptionsOk(platform::Message const& message);
    platform::Reply OnHide(platform::Message const& message);
    platform::Reply OnTrayNotify(platform::Message const& message);
    platform::Reply OnExit(platform::Message const& message);
    platform::Reply OnTimer(platform::Message const& message);
    platform::Reply OnShowOptions(platform::Message const& message);
    platform::Reply OnAbout(platform::Message const& message);
    platform::Reply OnTaskbarCreated(platform::Message const& message);
    platform::Reply OnQueryEndSession(platform::Message const& message);
    platform::Reply OnEndSession(platform::Message const& message);

    void FillDesktopChoices();
    void ShowCountInList();
    int ChosenCount();
    void StartUp();
    // Whether a settings file that cannot be written gets its "Error" box.
    enum class ExitReport { Box, Quiet };
    void ExitSequence(ExitReport report);
    void SyncTick();
    void ShowIcons();
    void ShowTrayMenu(std::uint32_t iconId, MenuPlacement const& place);
    void DrawMinimisedIcon();

    platform::Os& os_;
    TrayInput trayInput_;
};

} // namespace quorvane
