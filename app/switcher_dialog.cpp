#include "app/switcher_dialog.h"

#include "desktops/settings_file.h"
#include "desktops/tray_icon_set.h"
#include "options/about_dialog.h"
#include "options/autostart_entry.h"
#include "options/options_choice.h"
#include "res/resource_ids.h"

#include <utility>

namespace quorvane {
namespace {

using platform::Message;
using platform::Reply;
using Self = SwitcherDialog;

constexpr int kDesktopCombo = IDC_DESKTOP_COMBO;

} // namespace

SwitcherDialog::SwitcherDialog(platform::Os& os)
    : Dialog(os.ui, os.system, IDD_OPTIONS),
      appIcon(os.ui, os.ui.LoadIcon(IDI_APP, platform::IconSize::Large)),
      appIconSmall(os.ui, os.ui.LoadIcon(IDI_APP, platform::IconSize::Small)), os_(os) {}

Reply SwitcherDialog::Dispatch(Message const& message) {
    static constexpr platform::MessageEntry<Self> kMessages[] = {
        platform::OnMessage(platform::kWmSysCommand, &Self::OnSysCommand),
        platform::OnMessage(platform::kWmPaint, &Self::OnPaint),
        platform::OnMessage(platform::kWmQueryDragIcon, &Self::OnQueryDragIcon),
        platform::OnCommand(platform::kIdOk, &Self::OnOptionsOk),
        platform::OnCommand(platform::kIdCancel, &Self::OnHide),
        platform::OnMessage(TrayNotify, &Self::OnTrayNotify),
        platform::OnCommand(ID_EXIT, &Self::OnExit),
        platform::OnMessage(platform::kWmTimer, &Self::OnTimer),
        platform::OnCommand(ID_SHOW_OPTIONS, &Self::OnShowOptions),
        platform::OnCommand(ID_ABOUT, &Self::OnAbout),
        platform::OnRegisteredMessage(kTaskbarCreatedMessage, &Self::OnTaskbarCreated),
        platform::OnMessage(platform::kWmQueryEndSession, &Self::OnQueryEndSession),
        platform::OnMessage(platform::kWmEndSession, &Self::OnEndSession),
    };
    return DispatchThrough(*this, kMessages, message);
}

void SwitcherDialog::ExchangeData(platform::DataExchange& exchange) {
    exchange.CheckBox(IDC_RUN_AT_STARTUP, runAtStartup);
}

bool SwitcherDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    AddAboutToSystemMenu(os_.ui, os_.system, window());
    window().SetIcon(platform::IconSize::Large, appIcon.get());
    window().SetIcon(platform::IconSize::Small, appIconSmall.get());
    trayMenu = platform::UniqueMenu(os_.ui, os_.ui.LoadMenu(IDR_TRAY_MENU));
    os_.ui.SetDefaultItem(trayMenu.get(), kTrayMenuPopup, kTrayMenuDefaultItem);
    FillDesktopChoices();
    desktopCount = kDefaultDesktopCount;
    ReadSettingsAtStart(os_, desktopCount, firstRun);
    ShowCountInList();
    // Written at once so that the copies started on new desktops find it.
    WriteSettings(os_, window(), desktopCount);
    window().SetTimer(StartupTimer, kStartupTimerMs);
    return true;
}

void SwitcherDialog::FillDesktopChoices() {
    for (auto const* choice : kDesktopChoices) {
        window().ComboAddString(kDesktopCombo, choice);
    }
    window().ComboSelect(kDesktopCombo, 0);
}

void SwitcherDialog::ShowCountInList() {
    window().ComboSelect(kDesktopCombo, SelectionForCount(desktopCount));
}

std::vector<platform::MessageId> SwitcherDialog::MessagesFromOtherProcesses() {
    // The shell sends both: the icons' callbacks, and its broadcast when it
    // has made its notification area anew.
    std::vector<platform::MessageId> messages{TrayNotify};
    if (auto const taskbarCreated = Registered(kTaskbarCreatedMessage)) {
        messages.push_back(taskbarCreated);
    }
    return messages;
}

Reply SwitcherDialog::OnTimer(Message const& message) {
    if (state.ended) {
        return platform::kDefaultHandling;
    }
    if (message.wParam == StartupTimer) {
        StartUp();
    } else {
        SyncTick();
    }
    return platform::kDefaultHandling;
}

void SwitcherDialog::SyncTick() {
    // While the session ends, Windows ends its processes one by one: a shell
    // found ended then is on its way out, not crashed.
    if (!SessionMayBeEnding(os_.system, state)) {
        watchedShells.RestartEnded(os_);
    }
    if (applyingOptions) {
        return; // the next tick, after OK has written the file, reads the choice
    }
    if (auto const count = ResyncSettings(os_, desktopCount)) {
        desktopCount = *count;
        ShowIcons();
        // So that OK, pressed later on this desktop, keeps the count in force.
        ShowCountInList();
    } else if (iconsMissing) {
        // All again rather than only the missing ones: an add the shell
        // reported as failed may have happened after all, and adding an icon
        // that is there fails every time; removing first also keeps the order.
        ShowIcons();
    }
}

void SwitcherDialog::ShowIcons() {
    iconsMissing = !Rebuild(os_.tray, window().Handle(), desktopCount);
    // Each add waits for the shell, and a close request that Windows sends
    // meanwhile is handled inside that wait: its removal came too early.
    if (state.ended) {
        RemoveAll(os_.tray, window().Handle());
    }
}

void SwitcherDialog::StartUp() {
    window().KillTimer(StartupTimer);
    if (!firstRun) {
        window().Show(platform::ShowCommand::Hide);
    }
    if (QueryAutostart(os_.registry)) {
        runAtStartup = 1;
    }
    ShowIcons();
    // Before the desktops: OK pressed while they are made reads the check
    // box back, and must find the Run value's state there.
    UpdateData(false);
    OpenAllDesktops(os_, window(), desktopHandles, watchedShells, state);
    if (state.ended) {
        return; // Exit was chosen while the desktops were made
    }
    window().SetTimer(SyncTimer, kSyncTimerMs);
}

int SwitcherDialog::ChosenCount() {
    auto selection = window().ComboSelection(kDesktopCombo);
    if (selection < 0) {
        // Typing into the box leaves no list item selected.
        selection = SelectionForText(window().ComboText(kDesktopCombo));
    }
    return CountFromSelection(selection);
}

Reply SwitcherDialog::OnOptionsOk(Message const&) {
    if (state.ended) {
        return platform::Handled();
    }
    applyingOptions = true;
    auto const previousCount = desktopCount;
    UpdateData(true);
    desktopCount = ChosenCount();
    if (desktopCount != previousCount) {
        ShowIcons();
    }
    if (runAtStartup == 1) {
        RegisterAutostart(os_, window());
    } else {
        UnregisterAutostart(os_, window());
    }
    window().Show(platform::ShowCommand::Hide);
    WriteSettings(os_, window(), desktopCount);
    applyingOptions = false;
    return platform::Handled();
}

Reply SwitcherDialog::OnHide(Message const&) {
    window().Show(platform::ShowCommand::Hide);
    return platform::Handled();
}

Reply SwitcherDialog::OnShowOptions(Message const&) {
    window().Show(platform::ShowCommand::Show);
    return platform::Handled();
}

Reply SwitcherDialog::OnTrayNotify(Message const& message) {
    auto const iconId = static_cast<std::uint32_t>(message.wParam);
    auto const action =
        trayInput_.Classify(message.wParam, static_cast<std::uintptr_t>(message.lParam),
                            os_.system.Milliseconds(), os_.ui.DoubleClickMs());
    switch (action.kind) {
    case TrayAction::Kind::SwitchDesktop:
        SwitchTo(os_.desktops, desktopHandles, action.slot);
        break;
    case TrayAction::Kind::ShowMenu:
        ShowTrayMenu(iconId,
                     PlaceTrayMenu(os_.tray, window().Handle(), iconId, window().CursorPosition()));
        break;
    case TrayAction::Kind::ShowKeyboardMenu:
        ShowTrayMenu(iconId, PlaceKeyboardMenu(os_.tray, window().Handle(), iconId,
                                               window().CursorPosition()));
        break;
    case TrayAction::Kind::None:
        break;
    }
    return platform::Handled(0);
}

void SwitcherDialog::ShowTrayMenu(std::uint32_t iconId, MenuPlacement const& place) {
    auto const wasOpen = std::exchange(trayInput_.menuOpen, true);
    auto const chosen =
        window().TrackPopup(trayMenu.get(), kTrayMenuPopup, kTrayMenuFlags, place.at);
    trayInput_.menuOpen = wasOpen;
    // Not when the menu was left by clicking another window: the focus is
    // that window's now.
    if (place.fromKeyboard && chosen == 0 && !state.ended && window().IsForeground()) {
        os_.tray.ReturnFocus(IconIdentity(window().Handle(), iconId));
    }
}

Reply SwitcherDialog::OnTaskbarCreated(Message const&) {
    // The shell has made its notification area anew (it restarted, or a new
    // desktop's shell came up after this copy added its icons), so the
    // icons it held are gone.
    if (!state.ended) {
        ShowIcons();
    }
    return platform::kDefaultHandling;
}

Reply SwitcherDialog::OnExit(Message const&) {
    ExitSequence(ExitReport::Box);
    return platform::Handled();
}

void SwitcherDialog::ExitSequence(ExitReport report) {
    // Before the sequence itself, whose settings write can show a box too.
    state.ended = true;
    window().KillTimer(SyncTimer);
    RemoveAll(os_.tray, window().Handle());
    CloseDesktops(desktopHandles);
    watchedShells.Stop();
    if (report == ExitReport::Box) {
        WriteSettings(os_, window(), desktopCount);
    } else {
        // No box: nobody may be there to close it, and the count was
        // written when it was chosen.
        WriteSettingsQuietly(os_, desktopCount);
    }
    EndWithOk();
}

Reply SwitcherDialog::OnQueryEndSession(Message const&) {
    // Never in the way of a sign-out or of a close request; only nothing
    // more is started until Windows says whether the session ends.
    state.sessionEnding = true;
    state.endingAskedAt = os_.system.Milliseconds();
    return platform::Handled(1);
}

Reply SwitcherDialog::OnEndSession(Message const& message) {
    state.sessionEnding = false;
    if (message.wParam == 0) {
        // Called off: the shells are looked after again, and a first start
        // held meanwhile goes on.
        return platform::Handled(0);
    }
    if ((static_cast<std::uintptr_t>(message.lParam) & platform::kEndSessionCloseApp) != 0) {
        // The Restart Manager (an installer, a deployment tool) asks this
        // copy to close and the session goes on: it ends as Exit ends it,
        // also when a box or the menu is open, or it would hold its files.
        if (!state.ended) {
            ExitSequence(ExitReport::Quiet);
        }
        window().QuitLoops();
        return platform::Handled(0);
    }
    // Windows signs out once this returns, and may arrive here inside the
    // pause of a first start: shells and copies started from now on would
    // only delay it.
    state.ended = true;
    window().KillTimer(SyncTimer);
    watchedShells.Stop();
    return platform::Handled(0);
}

Reply SwitcherDialog::OnSysCommand(Message const& message) {
    if (!IsAboutCommand(message.wParam)) {
        return platform::kDefaultHandling;
    }
    ShowAbout(os_.ui, os_.system, window().Handle());
    return platform::Handled();
}

Reply SwitcherDialog::OnAbout(Message const&) {
    ShowAbout(os_.ui, os_.system, window().Handle());
    return platform::Handled();
}

Reply SwitcherDialog::OnQueryDragIcon(Message const&) {
    return platform::Handled(static_cast<std::intptr_t>(appIcon.get().value));
}

Reply SwitcherDialog::OnPaint(Message const&) {
    if (!window().IsMinimised()) {
        return platform::kDefaultHandling;
    }
    DrawMinimisedIcon();
    return platform::Handled();
}

void SwitcherDialog::DrawMinimisedIcon() {
    auto surface = window().BeginPaint();
    surface->EraseIconBackground();
    auto const icon = window().IconMetrics();
    auto const client = surface->ClientSize();
    surface->DrawIcon(appIcon.get(),
                      {(client.width - icon.width + 1) / 2, (client.height - icon.height + 1) / 2});
}

} // namespace quorvane
