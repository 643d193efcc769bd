// Opening, creating and equipping desktops; switching and closing them.

#include "desktops/desktop_set.h"
#include "fakes/fake_os.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class DesktopSetTest : public ::testing::Test {
  protected:
    fakes::FakeOs fake;
    quorvane::DesktopHandles handles;
    quorvane::ShellWatch shells;
    quorvane::RunState state;
    void OpenAll() { quorvane::OpenAllDesktops(fake.os, fake.window, handles, shells, state); }
};

TEST_F(DesktopSetTest, MissingDesktopsAreCreatedAndEachGetsAShellThenACopy) {
    OpenAll();
    EXPECT_THAT(
        fake.log.calls,
        ElementsAre("OpenDesktop Default", "OpenDesktop Desktop II", "CreateDesktop Desktop II",
                    "StartProcess \"C:\\windows\\explorer.exe\" @ Desktop II", "TakeMessages 3000",
                    "StartProcess \"C:\\Program Files\\Quorvane\\Quorvane.exe\" @ Desktop II",
                    "OpenDesktop Desktop III", "CreateDesktop Desktop III",
                    "StartProcess \"C:\\windows\\explorer.exe\" @ Desktop III", "TakeMessages 3000",
                    "StartProcess \"C:\\Program Files\\Quorvane\\Quorvane.exe\" @ Desktop III",
                    "OpenDesktop Desktop IV", "CreateDesktop Desktop IV",
                    "StartProcess \"C:\\windows\\explorer.exe\" @ Desktop IV", "TakeMessages 3000",
                    "StartProcess \"C:\\Program Files\\Quorvane\\Quorvane.exe\" @ Desktop IV"));
    for (auto const& handle : handles) {
        EXPECT_TRUE(handle);
    }
}

TEST_F(DesktopSetTest, ExistingDesktopsGetNothingMoreAndNoPause) {
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III", L"Desktop IV"};
    OpenAll();
    EXPECT_THAT(fake.log.calls, ElementsAre("OpenDesktop Default", "OpenDesktop Desktop II",
                                            "OpenDesktop Desktop III", "OpenDesktop Desktop IV"));
    EXPECT_FALSE(shells.Watching()) << "another copy started those shells";
}

TEST_F(DesktopSetTest, OnlyTheDesktopsThatAreMissingAreEquipped) {
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop IV"};
    OpenAll();
    EXPECT_EQ(fake.log.Matching("CreateDesktop"),
              std::vector<std::string>{"CreateDesktop Desktop III"});
    EXPECT_EQ(fake.log.Matching("StartProcess").size(), 2u);
    EXPECT_EQ(fake.log.Matching("TakeMessages").size(), 1u);

    // Only the shell this copy started is watched: not "Default"'s, which
    // Windows restarts itself, nor those of the desktops found made.
    for (auto const* desktop : {L"Default", L"Desktop II", L"Desktop III", L"Desktop IV"}) {
        fake.system.End(desktop);
    }
    fake.log.calls.clear();
    shells.RestartEnded(fake.os);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("StartProcess \"C:\\windows\\explorer.exe\" @ Desktop III"));
}

TEST_F(DesktopSetTest, DefaultThatCannotBeOpenedIsReportedAndTheRestGoesOn) {
    fake.desktops.openFailures[L"Default"] = 5;
    OpenAll();
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_EQ(fake.window.boxes[0].caption, L"Error");
    EXPECT_FALSE(handles[0]);
    EXPECT_TRUE(handles[1] && handles[2] && handles[3]);
}

TEST_F(DesktopSetTest, ADesktopThatCannotBeCreatedIsReportedAndSkipped) {
    fake.desktops.createFailures[L"Desktop III"] = 8;
    OpenAll();
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Unknown error 8 (0x00000008).");
    EXPECT_FALSE(handles[2]);
    EXPECT_TRUE(handles[3]);
    EXPECT_EQ(fake.log.Matching("StartProcess").size(), 4u) << "no shell for a desktop not made";
}

TEST_F(DesktopSetTest, AShellThatCannotStartIsReportedLoggedAndTheCopyStillStarts) {
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    fake.system.startFailures[L"\"C:\\windows\\explorer.exe\""] = 2;
    OpenAll();
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"The system cannot find the file specified.\r\n");
    EXPECT_EQ(fake.files.files[L"d:\\logs.txt"], "Can't run explorer\r\r\n");
    EXPECT_TRUE(fake.log.InOrder(
        {"StartProcess \"C:\\windows\\explorer.exe\" @ Desktop IV", "MessageBox", "AppendFile",
         "TakeMessages 3000",
         "StartProcess \"C:\\Program Files\\Quorvane\\Quorvane.exe\" @ Desktop IV"}));
    EXPECT_FALSE(shells.Watching()) << "no shell was started to watch";
}

TEST_F(DesktopSetTest, NoDriveForTheLogStillShowsTheBoxAndGoesOn) {
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    fake.system.startFailures[L"\"C:\\windows\\explorer.exe\""] = 2;
    fake.files.writeFailures[L"d:\\logs.txt"] = 3;
    OpenAll();
    EXPECT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.log.Matching("StartProcess").size(), 2u);
}

TEST_F(DesktopSetTest, WithoutSystemRootTheShellComesFromCWindows) {
    fake.system.environment.erase(L"SystemRoot");
    EXPECT_EQ(quorvane::ShellCommandLine(fake.system), L"\"C:\\WINDOWS\\explorer.exe\"");
}

TEST_F(DesktopSetTest, PathsWithSpacesAreQuotedSoNoOtherProgramStarts) {
    fake.system.environment[L"SystemRoot"] = L"C:\\My Windows";
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    OpenAll();
    EXPECT_THAT(
        fake.log.Matching("StartProcess"),
        ElementsAre("StartProcess \"C:\\My Windows\\explorer.exe\" @ Desktop IV",
                    "StartProcess \"C:\\Program Files\\Quorvane\\Quorvane.exe\" @ Desktop IV"));
}

TEST_F(DesktopSetTest, AVeryLongSystemRootIsPassedWholeAndItsFailureReported) {
    std::wstring const longFolder(40000, L'x');
    fake.system.environment[L"SystemRoot"] = longFolder;
    fake.system.startFailures[L"\"" + longFolder + L"\\explorer.exe\""] = 206;
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    OpenAll();
    EXPECT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.files.files[L"d:\\logs.txt"], "Can't run explorer\r\r\n");
}

TEST_F(DesktopSetTest, AModulePathTheSystemCannotGiveStartsNoCopy) {
    fake.system.modulePath.reset();
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    OpenAll();
    EXPECT_THAT(fake.log.Matching("StartProcess"),
                ElementsAre("StartProcess \"C:\\windows\\explorer.exe\" @ Desktop IV"));
    EXPECT_TRUE(fake.window.boxes.empty());
}

constexpr char kShellOnIv[] = "StartProcess \"C:\\windows\\explorer.exe\" @ Desktop IV";
constexpr char kCopyOnIv[] =
    "StartProcess \"C:\\Program Files\\Quorvane\\Quorvane.exe\" @ Desktop IV";

TEST_F(DesktopSetTest, AnElevatedCopyStartsAndGrantsAsItsUnelevatedShell) {
    fake.system.elevated = true;
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    OpenAll();
    EXPECT_THAT(fake.log.calls,
                ElementsAre("OpenDesktop Default", "OpenShellToken", "OpenDesktop Desktop II",
                            "OpenDesktop Desktop III", "OpenDesktop Desktop IV",
                            "CreateDesktop Desktop IV", "GrantDesktop Desktop IV to 0x900",
                            std::string(kShellOnIv) + " as 0x900", "TakeMessages 3000",
                            std::string(kCopyOnIv) + " as 0x900"));
    // Created as a copy that is not elevated creates it, then one entry more
    // for the shell's user; the desktops found made are left as they are.
    ASSERT_EQ(fake.desktops.addedEntries.size(), 1u);
    EXPECT_THAT(fake.desktops.addedEntries[L"Desktop IV"],
                ElementsAre(platform::TokenHandle{0x900}));
    EXPECT_EQ(fake.system.openTokens, 1) << "kept for the restarts of the shell it started";
    shells.Stop();
    EXPECT_EQ(fake.log.calls.back(), "CloseToken 0x900");
}

TEST_F(DesktopSetTest, WithoutAnUnelevatedShellOfThisUserEverythingStartsAsThisCopy) {
    struct Case {
        char const* name;
        bool elevated;
        platform::ShellToken shell;
    };
    Case const cases[] = {
        {"this copy is not elevated", false, {platform::TokenHandle{0x900}, false, true}},
        {"the shell is elevated too", true, {platform::TokenHandle{0x900}, true, true}},
        {"no shell, or a call failed", true, {platform::TokenHandle{}, false, false}},
        {"the shell runs as another user", true, {platform::TokenHandle{0x900}, false, false}},
    };
    for (auto const& each : cases) {
        fakes::FakeOs local;
        local.system.elevated = each.elevated;
        local.system.shell = each.shell;
        local.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
        quorvane::DesktopHandles localHandles;
        quorvane::ShellWatch localShells;
        quorvane::OpenAllDesktops(local.os, local.window, localHandles, localShells, state);
        EXPECT_THAT(local.log.Matching("CreateDesktop"), ElementsAre("CreateDesktop Desktop IV"))
            << each.name;
        EXPECT_TRUE(local.log.Matching("GrantDesktop").empty()) << each.name;
        EXPECT_THAT(local.log.Matching("StartProcess"), ElementsAre(kShellOnIv, kCopyOnIv))
            << each.name;
        localShells.Stop();
        EXPECT_EQ(local.system.openTokens, 0) << each.name;
    }
}

TEST_F(DesktopSetTest, WhatIsRefusedToTheShellsUserGoesAheadAsThisCopyAndIsSaidOnce) {
    fake.system.elevated = true;
    fake.system.tokenStartFailure = 1058; // the secondary logon service is disabled
    OpenAll();
    // Said before the first start goes ahead as this copy, and only then:
    // the other five refusals of this run show nothing more.
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, fake.system.errorTexts[1058]);
    EXPECT_EQ(fake.window.boxes[0].caption, L"Error");
    auto const firstStart = fake.log.IndexOf("StartProcess");
    EXPECT_EQ(fake.log.IndexOf("MessageBox"), firstStart + 1);
    std::vector<std::string> expected;
    for (std::string const desktop : {"Desktop II", "Desktop III", "Desktop IV"}) {
        for (std::string const program :
             {"C:\\windows\\explorer.exe", "C:\\Program Files\\Quorvane\\Quorvane.exe"}) {
            auto const start = "StartProcess \"" + program + "\" @ " + desktop;
            expected.insert(expected.end(), {start + " as 0x900", start});
        }
    }
    EXPECT_EQ(fake.log.Matching("StartProcess"), expected);
    EXPECT_TRUE(fake.files.files.empty()) << "nothing failed to start";
    // Its restarts keep to the rights it really ran with, and say nothing more.
    fake.system.End(L"Desktop II");
    fake.log.calls.clear();
    shells.RestartEnded(fake.os);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("StartProcess \"C:\\windows\\explorer.exe\" @ Desktop II"));
    EXPECT_EQ(fake.window.boxes.size(), 1u);

    // A desktop whose rights could not be set for the shell's user: made
    // all the same, equipped as this copy, and said once a run as well.
    fakes::FakeOs refused;
    refused.system.elevated = true;
    refused.desktops.grantFailure = 1338;
    refused.system.errorTexts[1338] = L"The security descriptor structure is invalid.\r\n";
    quorvane::DesktopHandles refusedHandles;
    quorvane::ShellWatch refusedShells;
    quorvane::OpenAllDesktops(refused.os, refused.window, refusedHandles, refusedShells, state);
    EXPECT_EQ(refused.log.Matching("CreateDesktop").size(), 3u);
    EXPECT_TRUE(refusedHandles[1] && refusedHandles[2] && refusedHandles[3]);
    EXPECT_THAT(refused.log.Matching("GrantDesktop"), ::testing::SizeIs(3));
    auto const starts = refused.log.Matching("StartProcess");
    EXPECT_EQ(starts.size(), 6u);
    EXPECT_THAT(starts, ::testing::Each(::testing::Not(::testing::HasSubstr(" as "))));
    ASSERT_EQ(refused.window.boxes.size(), 1u);
    EXPECT_EQ(refused.window.boxes[0].text, L"The security descriptor structure is invalid.\r\n");

    // Exit chosen in that box: the refused start does not go ahead elevated.
    fakes::FakeOs exited;
    exited.system.elevated = true;
    exited.system.tokenStartFailure = 1058;
    exited.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    quorvane::RunState exitChosen;
    exited.window.duringBox = [&] { exitChosen.ended = true; };
    quorvane::DesktopHandles exitedHandles;
    quorvane::ShellWatch exitedShells;
    quorvane::OpenAllDesktops(exited.os, exited.window, exitedHandles, exitedShells, exitChosen);
    EXPECT_THAT(exited.log.Matching("StartProcess"),
                ElementsAre(std::string(kShellOnIv) + " as 0x900"));
    EXPECT_FALSE(exitedShells.Watching());
}

// A shell this copy started that ends is started again from the sync tick.

TEST_F(DesktopSetTest, AShellThatEndedIsStartedAgainAsTheFirstTimeWithoutACopy) {
    fake.system.elevated = true;
    OpenAll();
    fake.log.calls.clear();
    shells.RestartEnded(fake.os);
    EXPECT_TRUE(fake.log.calls.empty()) << "running shells are left alone";

    fake.system.End(L"Desktop II");
    shells.RestartEnded(fake.os);
    shells.RestartEnded(fake.os);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("StartProcess \"C:\\windows\\explorer.exe\" @ Desktop II as 0x900"));
    EXPECT_EQ(fake.system.openProcesses, 3)
        << "the ended shell's handle is closed, the new one kept";

    // Refused to the shell's user now (the secondary logon service was
    // stopped since), the restart starts no administrator's shell in its
    // place: it is logged once, without a box, and that desktop left alone.
    fake.system.tokenStartFailure = 1058;
    fake.system.End(L"Desktop III");
    fake.log.calls.clear();
    shells.RestartEnded(fake.os);
    shells.RestartEnded(fake.os);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("StartProcess \"C:\\windows\\explorer.exe\" @ Desktop III as 0x900",
                            "AppendFile d:\\logs.txt"));
    EXPECT_TRUE(fake.window.boxes.empty());
}

TEST_F(DesktopSetTest, AShellThatKeepsEndingIsStartedThreeTimesThenLeftAndLoggedOnce) {
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    OpenAll();
    fake.log.calls.clear();
    for (int tick = 0; tick < 10; ++tick) {
        fake.system.now += 3000;
        fake.system.End(L"Desktop IV");
        shells.RestartEnded(fake.os);
    }
    EXPECT_THAT(fake.log.Matching("StartProcess"), ElementsAre(kShellOnIv, kShellOnIv, kShellOnIv));
    EXPECT_EQ(fake.files.files[L"d:\\logs.txt"], "Can't run explorer\r\r\n");
    EXPECT_TRUE(fake.window.boxes.empty());
    EXPECT_FALSE(shells.Watching());
    EXPECT_EQ(fake.system.openProcesses, 0);
}

TEST_F(DesktopSetTest, AShellThatEndsNowAndThenIsStartedAgainEveryTime) {
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    OpenAll();
    fake.log.calls.clear();
    // Never more than three within any two minutes; the fifth end comes
    // too soon after the three before it.
    for (std::uint64_t seconds : {0, 50, 100, 130, 140}) {
        fake.system.now = seconds * 1000;
        fake.system.End(L"Desktop IV");
        shells.RestartEnded(fake.os);
    }
    EXPECT_EQ(fake.log.Matching("StartProcess").size(), 4u);
    EXPECT_EQ(fake.files.files[L"d:\\logs.txt"], "Can't run explorer\r\r\n");
}

TEST_F(DesktopSetTest, ARestartThatFailsIsLoggedNotShownAndNotTriedAgain) {
    fake.desktops.existing = {L"Default", L"Desktop II", L"Desktop III"};
    OpenAll();
    fake.system.startFailures[L"\"C:\\windows\\explorer.exe\""] = 2;
    fake.system.End(L"Desktop IV");
    fake.log.calls.clear();
    shells.RestartEnded(fake.os);
    shells.RestartEnded(fake.os);
    EXPECT_THAT(fake.log.calls, ElementsAre(kShellOnIv, "AppendFile d:\\logs.txt"));
    EXPECT_TRUE(fake.window.boxes.empty());
    EXPECT_EQ(fake.files.files[L"d:\\logs.txt"], "Can't run explorer\r\r\n");
}

TEST_F(DesktopSetTest, SwitchingUsesTheSlotsHandleAndIgnoresMissingOnes) {
    fake.desktops.createFailures[L"Desktop IV"] = 5;
    OpenAll();
    fake.log.calls.clear();
    for (int slot = 0; slot <= 5; ++slot) {
        quorvane::SwitchTo(fake.desktops, handles, slot);
    }
    EXPECT_THAT(fake.log.calls, ElementsAre("SwitchDesktop Default", "SwitchDesktop Desktop II",
                                            "SwitchDesktop Desktop III"));
}

TEST_F(DesktopSetTest, ClosingLeavesDefaultOpenAndSkipsFailedSlots) {
    fake.desktops.createFailures[L"Desktop III"] = 5;
    OpenAll();
    fake.log.calls.clear();
    quorvane::CloseDesktops(handles);
    EXPECT_THAT(fake.log.calls, ElementsAre("CloseDesktop Desktop II", "CloseDesktop Desktop IV"));
    EXPECT_TRUE(handles[0]);
}

} // namespace
