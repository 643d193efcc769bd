// Start-up, timers, showing and hiding, exit, system menu and painting of the main window.

#include "app/switcher_app.h"
#include "fakes/dialog_fixture.h"
#include "options/about_dialog.h"

#include <gmock/gmock.h>

namespace {

using fakes::DialogTest;
using ::testing::ElementsAre;

// WM_QUERYENDSESSION's and WM_ENDSESSION's lParam: a sign-out, and the
// Restart Manager's close request.
constexpr platform::LParam kLogoff = static_cast<platform::LParam>(0x80000000u);
constexpr auto kCloseApp = static_cast<platform::LParam>(platform::kEndSessionCloseApp);

TEST(SwitcherApp, MissingDisksFailQuietlyBeforeTheDialogTouchesAnyFile) {
    fakes::FakeOs fake;
    quorvane::RunSwitcherApp(fake.os);
    EXPECT_TRUE(fake.log.InOrder({"QuietCriticalErrors", "RunModal 102"}));
}

TEST_F(DialogTest, InitialisationRunsItsStepsInOrder) {
    fake.files.files[fakes::kSettingsFile] = "3\r\r\n";
    Create();
    EXPECT_TRUE(fake.log.InOrder({"Centre", "SetChecked 1001 0", "AppendSeparator", "AppendItem",
                                  "SetIcon large", "SetIcon small", "LoadMenu 131",
                                  "SetDefaultItem 0 0", "ComboAdd 2", "ComboSelect 0", "ReadFile",
                                  "ComboSelect 1", "WriteFile"}));
    EXPECT_EQ(fake.log.calls.back(), "SetTimer 0x111 5");
    EXPECT_THAT(fake.window.comboItems, ElementsAre(L"2", L"3", L"4"));
    EXPECT_EQ(dialog.desktopCount, 3);
    EXPECT_FALSE(dialog.firstRun);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "3\r\r\n");
}

TEST_F(DialogTest, ACloseRequestWhileAnIconIsAddedLeavesNoIconAndAsksNothing) {
    fake.files.files[fakes::kSettingsFile] = "3\r\r\n";
    Start();
    fake.files.writeFailures[fakes::kSettingsFile] = 5;
    fake.tray.duringAdd = [&] { Send(platform::kWmEndSession, 1, kCloseApp); };
    Send(fakes::FakeUi::kTaskbarCreated);
    EXPECT_TRUE(fake.tray.shown.empty()) << "the adds after the close request are taken away";
    EXPECT_TRUE(fake.window.boxes.empty()) << "nobody may be there to close a box";
    EXPECT_EQ(fake.log.Matching("QuitLoops").size(), 1u);
}

TEST_F(DialogTest, FirstRunKeepsTheWindowUpAndCreatesTheFileHoldingTwo) {
    Start();
    EXPECT_TRUE(dialog.firstRun);
    EXPECT_TRUE(fake.window.visible);
    EXPECT_EQ(fake.log.IndexOf("Hide"), -1);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "2\r\r\n");
    EXPECT_EQ(fake.window.comboSelection, 0);
}

TEST_F(DialogTest, StartupTickHidesOpensDesktopsAndStartsTheSyncTimer) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    fake.registry.values[L"Quorvane"] = L"\"C:\\q.exe\"";
    Create();
    Clear();
    auto const reply = Send(platform::kWmTimer, quorvane::StartupTimer);

    EXPECT_FALSE(reply.handled) << "timer messages go on to default handling";
    EXPECT_EQ(fake.log.calls.front(), "KillTimer 0x111");
    EXPECT_TRUE(
        fake.log.InOrder({"KillTimer", "Hide", "QueryValue Quorvane", "TrayAdd",
                          "SetChecked 1001 1", "OpenDesktop Default", "OpenDesktop Desktop IV"}));
    EXPECT_EQ(fake.log.calls.back(), "SetTimer 0x222 3000");
    EXPECT_EQ(dialog.runAtStartup, 1);
    EXPECT_EQ(fake.tray.shown.size(), 2u);
    EXPECT_EQ(fake.window.timers, std::set<platform::TimerId>{quorvane::SyncTimer});
}

TEST_F(DialogTest, OtherTimerTicksOnlyRereadTheSettings) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    Start();
    Clear();
    fake.files.files[fakes::kSettingsFile] = "4\r\r\n";
    auto const reply = Send(platform::kWmTimer, quorvane::SyncTimer);
    EXPECT_FALSE(reply.handled);
    EXPECT_EQ(fake.log.Matching("OpenDesktop").size(), 0u);
    EXPECT_EQ(fake.log.Matching("TrayAdd").size(), 4u);
    EXPECT_EQ(dialog.desktopCount, 4);
}

TEST_F(DialogTest, CancelEscAndCloseOnlyHideTheWindow) {
    Start();
    Clear();
    auto const reply = Command(platform::kIdCancel);
    EXPECT_TRUE(reply.handled);
    EXPECT_THAT(fake.log.calls, ElementsAre("Hide"));
    EXPECT_FALSE(fake.window.endResult.has_value());
    Command(ID_SHOW_OPTIONS);
    EXPECT_TRUE(fake.window.visible);
}

TEST_F(DialogTest, ExitStopsTheSyncRemovesIconsClosesDesktopsTwoToFourWritesAndEnds) {
    fake.files.files[fakes::kSettingsFile] = "3\r\r\n";
    Start();
    fake.window.SetChecked(IDC_RUN_AT_STARTUP, true);
    Clear();
    Command(ID_EXIT);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("KillTimer 0x222", "TrayDelete 17", "TrayDelete 34", "TrayDelete 51",
                            "TrayDelete 68", "CloseDesktop Desktop II", "CloseDesktop Desktop III",
                            "CloseDesktop Desktop IV",
                            "WriteFile C:\\AppData\\Quorvane\\conf01.dat", "EndDialog 1"));
    EXPECT_TRUE(fake.tray.shown.empty());
    EXPECT_EQ(dialog.runAtStartup, 1) << "the standard OK path reads the controls back";
    EXPECT_EQ(fake.registry.values.count(L"Quorvane"), 0u) << "but does not touch the Run key";
    EXPECT_EQ(fake.desktops.openHandles, 1) << "\"Default\" stays open until the process ends";
}

TEST_F(DialogTest, ACloseRequestEndsTheCopyAsExitDoesAlsoInsideABox) {
    fake.files.files[fakes::kSettingsFile] = "3\r\r\n";
    Start();
    fake.files.files.clear();
    fake.ui.duringModal = [&] {
        Clear();
        EXPECT_EQ(Send(platform::kWmQueryEndSession, 0, kCloseApp).value, 1);
        Send(platform::kWmEndSession, 1, kCloseApp);
    };
    Command(ID_ABOUT);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("KillTimer 0x222", "TrayDelete 17", "TrayDelete 34", "TrayDelete 51",
                            "TrayDelete 68", "CloseDesktop Desktop II", "CloseDesktop Desktop III",
                            "CloseDesktop Desktop IV",
                            "WriteFile C:\\AppData\\Quorvane\\conf01.dat", "EndDialog 1",
                            "QuitLoops"));
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "3\r\r\n");
}

// Everything after the given position in the log.
std::vector<std::string> CallsSince(fakes::CallLog const& log, std::size_t position) {
    return {log.calls.begin() + static_cast<std::ptrdiff_t>(position), log.calls.end()};
}

TEST_F(DialogTest, ExitInsideTheAboutBoxIsFinalWhatEverArrivesBeforeItCloses) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    Start();
    std::size_t afterExit = 0;
    fake.ui.duringModal = [&] {
        Command(ID_EXIT);
        afterExit = fake.log.calls.size();
        fake.files.files[fakes::kSettingsFile] = "4\r\r\n"; // another copy's choice
        Send(platform::kWmTimer, quorvane::SyncTimer);
        Send(fakes::FakeUi::kTaskbarCreated);
        fake.window.comboSelection = 1;
        Command(platform::kIdOk);
    };
    Command(ID_ABOUT);
    EXPECT_TRUE(CallsSince(fake.log, afterExit).empty());
    EXPECT_THAT(fake.log.Matching("KillTimer"), ElementsAre("KillTimer 0x111", "KillTimer 0x222"));
    EXPECT_TRUE(fake.window.timers.empty());
    EXPECT_TRUE(fake.tray.shown.empty());
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "4\r\r\n") << "Exit's own write stays last";
    EXPECT_EQ(fake.window.endResult, platform::kDialogResultOk);
}

TEST_F(DialogTest, ExitInsideAStartUpErrorBoxCreatesAndStartsNothingMore) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    fake.system.startFailures[L"\"C:\\windows\\explorer.exe\""] = 2;
    std::size_t afterExit = 0;
    fake.window.duringBox = [&] {
        Command(ID_EXIT);
        afterExit = fake.log.calls.size();
        Send(fakes::FakeUi::kTaskbarCreated);
    };
    Start();
    EXPECT_EQ(fake.window.boxes.size(), 1u) << "the shell of Desktop II failed to start";
    EXPECT_THAT(CallsSince(fake.log, afterExit), ElementsAre("AppendFile d:\\logs.txt"));
    EXPECT_TRUE(fake.log.Matching("StartProcess \"C:\\Program Files").empty());
    EXPECT_TRUE(fake.log.Matching("CreateDesktop Desktop III").empty());
    EXPECT_TRUE(fake.window.timers.empty());
    EXPECT_TRUE(fake.tray.shown.empty());
    EXPECT_EQ(fake.desktops.openHandles, 1) << "Exit closed Desktop II";
    EXPECT_EQ(fake.window.endResult, platform::kDialogResultOk);
}

TEST_F(DialogTest, ThePauseAfterAShellHandlesOkAndPressesAndAnExitThereEndsTheStart) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    fake.registry.values[L"Quorvane"] = L"\"C:\\Program Files\\Quorvane\\Quorvane.exe\"";
    fake.window.duringPause = [&] {
        Command(platform::kIdOk);
        TrayClick(34, platform::kWmLButtonDown);
        Command(ID_EXIT);
    };
    Start();
    EXPECT_EQ(fake.registry.values.count(L"Quorvane"), 1u) << "OK found the box ticked";
    EXPECT_THAT(fake.log.Matching("SwitchDesktop"), ElementsAre("SwitchDesktop Desktop II"));
    EXPECT_TRUE(fake.log.Matching("StartProcess \"C:\\Program Files").empty());
    EXPECT_TRUE(fake.log.Matching("CreateDesktop Desktop III").empty());
    EXPECT_TRUE(fake.window.timers.empty());
    EXPECT_EQ(fake.window.endResult, platform::kDialogResultOk);
    EXPECT_EQ(fake.system.openProcesses, 0) << "the shell started before the pause is not watched";
}

TEST_F(DialogTest, SignOutDuringAFirstStartsPauseStartsNothingMore) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    std::size_t startsWhileHeld = 0;
    fake.window.duringPause = [&] {
        // Asked whether the session may end, the start holds before the
        // copy; called off, it goes on where it stopped. The next pause
        // brings a sign-out that goes ahead.
        EXPECT_EQ(Send(platform::kWmQueryEndSession, 0, kLogoff).value, 1);
        fake.window.duringPause = [&] {
            startsWhileHeld = fake.log.Matching("StartProcess").size();
            Send(platform::kWmEndSession, 0, kLogoff);
            fake.window.duringPause = [&] {
                Send(platform::kWmQueryEndSession, 0, kLogoff);
                fake.window.duringPause = [&] { Send(platform::kWmEndSession, 1, kLogoff); };
            };
        };
    };
    Start();
    EXPECT_EQ(startsWhileHeld, 1u) << "only the shell of Desktop II, started before the question";
    EXPECT_THAT(
        fake.log.Matching("StartProcess"),
        ElementsAre("StartProcess \"C:\\windows\\explorer.exe\" @ Desktop II",
                    "StartProcess \"C:\\Program Files\\Quorvane\\Quorvane.exe\" @ Desktop II",
                    "StartProcess \"C:\\windows\\explorer.exe\" @ Desktop III"));
    EXPECT_TRUE(fake.log.Matching("CreateDesktop Desktop IV").empty());
    EXPECT_TRUE(fake.window.timers.empty()) << "no sync tick starts a shell again";
    EXPECT_EQ(fake.system.openProcesses, 0) << "nothing is watched";
}

TEST_F(DialogTest, AQuestionWhetherTheSessionMayEndNeverAnsweredHoldsAFirstStartAWhileOnly) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    fake.window.duringPause = [&] {
        Send(platform::kWmQueryEndSession, 0, kLogoff);
        fake.window.duringPause = [&] { fake.system.now += quorvane::kSessionEndHoldMs; };
    };
    Start();
    EXPECT_EQ(fake.log.Matching("StartProcess").size(), 6u);
    EXPECT_EQ(fake.window.timers.count(quorvane::SyncTimer), 1u);
}

TEST_F(DialogTest, TheSyncTickStartsAgainAShellThatEndedAndExitEndsTheWatching) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    fake.system.elevated = true;
    Start();
    // Not while Windows may be ending the session, which ends its shells
    // one by one: only once the sign-out was called off.
    Send(platform::kWmQueryEndSession, 0, kLogoff);
    fake.system.End(L"Desktop III");
    Clear();
    Send(platform::kWmTimer, quorvane::SyncTimer);
    Send(platform::kWmEndSession, 0, kLogoff);
    fake.system.shuttingDown = true;
    Send(platform::kWmTimer, quorvane::SyncTimer);
    EXPECT_TRUE(fake.log.Matching("StartProcess").empty());
    fake.system.shuttingDown = false;
    Send(platform::kWmTimer, quorvane::SyncTimer);
    EXPECT_THAT(fake.log.Matching("StartProcess"),
                ElementsAre("StartProcess \"C:\\windows\\explorer.exe\" @ Desktop III as 0x900"));
    EXPECT_EQ(fake.system.openProcesses, 3);
    // A question never answered holds the restarts for a while only.
    Send(platform::kWmQueryEndSession, 0, kLogoff);
    fake.system.End(L"Desktop III");
    Send(platform::kWmTimer, quorvane::SyncTimer);
    fake.system.now += quorvane::kSessionEndHoldMs;
    Send(platform::kWmTimer, quorvane::SyncTimer);
    EXPECT_EQ(fake.log.Matching("StartProcess").size(), 2u);
    Command(ID_EXIT);
    EXPECT_EQ(fake.system.openProcesses, 0);
    EXPECT_EQ(fake.system.openTokens, 0);
}

TEST_F(DialogTest, OnlyTheShellsMessagesAreLetThroughFromOtherProcesses) {
    EXPECT_THAT(dialog.MessagesFromOtherProcesses(),
                ElementsAre(quorvane::TrayNotify, fakes::FakeUi::kTaskbarCreated));
    quorvane::AboutDialog about(fake.ui, fake.system);
    EXPECT_TRUE(about.MessagesFromOtherProcesses().empty());
}

TEST(SwitcherDialog, HandlesAndObjectsAreReleasedWithTheDialog) {
    fakes::FakeOs local;
    local.system.elevated = true;
    {
        quorvane::SwitcherDialog owner(local.os);
        owner.Attach(&local.window);
        owner.OnInitDialog();
        owner.Handle({platform::kWmTimer, quorvane::StartupTimer, 0});
    }
    EXPECT_EQ(local.desktops.openHandles, 0);
    EXPECT_EQ(local.ui.liveIcons, 0);
    EXPECT_EQ(local.ui.liveMenus, 0);
    EXPECT_EQ(local.system.openProcesses, 0);
    EXPECT_EQ(local.system.openTokens, 0);
}

TEST_F(DialogTest, SystemCommandsSixteenToThirtyOneOpenAboutOthersAreDefault) {
    Start();
    for (platform::WParam command = 0x10; command <= 0x1F; ++command) {
        Clear();
        EXPECT_TRUE(Send(platform::kWmSysCommand, command).handled);
        EXPECT_THAT(fake.log.calls, ElementsAre("RunModal 100 owner 0x1234"));
    }
    constexpr platform::WParam kScClose = 0xF060;
    for (platform::WParam command : {platform::WParam{0x0F}, platform::WParam{0x20}, kScClose}) {
        Clear();
        EXPECT_FALSE(Send(platform::kWmSysCommand, command).handled);
        EXPECT_TRUE(fake.log.calls.empty());
    }
}

TEST_F(DialogTest, AboutFromTheTrayLeavesAHiddenWindowHidden) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    Start();
    Clear();
    Command(ID_ABOUT);
    EXPECT_THAT(fake.log.calls, ElementsAre("RunModal 100 owner 0x1234"));
    EXPECT_FALSE(fake.window.visible);
}

TEST_F(DialogTest, TrayAndSyncKeepWorkingInsideTheAboutBox) {
    fake.files.files[fakes::kSettingsFile] = "2\r\r\n";
    Start();
    fake.ui.duringModal = [&] {
        fake.files.files[fakes::kSettingsFile] = "3\r\r\n";
        Send(platform::kWmTimer, quorvane::SyncTimer);
        TrayClick(51, platform::kWmLButtonDown);
    };
    Command(ID_ABOUT);
    EXPECT_EQ(dialog.desktopCount, 3);
    EXPECT_EQ(fake.log.Matching("SwitchDesktop").back(), "SwitchDesktop Desktop III");
}

TEST_F(DialogTest, SystemMenuEndsWithSeparatorAndAboutEntry) {
    Create();
    EXPECT_THAT(fake.log.Matching("Append"),
                ElementsAre("AppendSeparator 0x77", "AppendItem 0x77 0x10 &About Quorvane..."));
}

TEST_F(DialogTest, NoSystemMenuOrNoStringAddsNothing) {
    fake.window.systemMenu = {};
    Create();
    EXPECT_TRUE(fake.log.Matching("Append").empty());

    fakes::FakeOs other;
    other.system.strings.clear();
    quorvane::SwitcherDialog second(other.os);
    second.Attach(&other.window);
    second.OnInitDialog();
    EXPECT_TRUE(other.log.Matching("Append").empty());
}

TEST_F(DialogTest, MinimisedPaintCentresTheIconOtherwiseDefault) {
    Start();
    EXPECT_FALSE(Send(platform::kWmPaint).handled);
    fake.window.minimised = true;
    fake.window.client = {101, 47};
    Clear();
    EXPECT_TRUE(Send(platform::kWmPaint).handled);
    // (101 - 32 + 1) / 2 = 35, (47 - 32 + 1) / 2 = 8
    EXPECT_THAT(fake.log.calls,
                ElementsAre("BeginPaint", "EraseIconBackground", "DrawIcon 35,8", "EndPaint"));
}

TEST_F(DialogTest, DragIconIsTheApplicationIcon) {
    Create();
    auto const reply = Send(platform::kWmQueryDragIcon);
    EXPECT_TRUE(reply.handled);
    EXPECT_EQ(static_cast<std::uintptr_t>(reply.value), dialog.appIcon.get().value);
}

TEST_F(DialogTest, HelpWithoutAHelpFileSaysSoInABox) {
    Create();
    Clear();
    Send(platform::kWmHelp);
    EXPECT_EQ(fake.log.calls.front(),
              "LaunchHelp C:\\Program Files\\Quorvane\\Quorvane.HLP 0x20066");
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Failed to launch help.");
    EXPECT_EQ(fake.window.boxes[0].caption, L"Quorvane");
    EXPECT_FALSE(fake.window.endResult.has_value());
}

TEST_F(DialogTest, TaskbarCreatedPutsTheCurrentIconsBack) {
    fake.files.files[fakes::kSettingsFile] = "3\r\r\n";
    Start();
    fake.tray.shown.clear(); // the shell restarted and lost them
    Send(fakes::FakeUi::kTaskbarCreated);
    EXPECT_EQ(fake.tray.shown.size(), 3u);
}

TEST_F(DialogTest, AnUnwritableSettingsFileAtStartIsReportedAndStartContinues) {
    fake.files.writeFailures[fakes::kSettingsFile] = 5;
    Create();
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_EQ(fake.log.calls.back(), "SetTimer 0x111 5");
}

} // namespace
