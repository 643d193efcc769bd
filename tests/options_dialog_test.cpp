// OK and Cancel in the options window.

#include "fakes/dialog_fixture.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class OptionsTest : public fakes::DialogTest {
  protected:
    void StartWith(std::string bytes) {
        fake.files.files[fakes::kSettingsFile] = std::move(bytes);
        Start();
        Command(ID_SHOW_OPTIONS);
        Clear();
    }
    void Choose(int index) { fake.window.comboSelection = index; }
    void Tick(bool run) { fake.window.checked[IDC_RUN_AT_STARTUP] = run; }
};

TEST_F(OptionsTest, OkWithFourShowsFourIconsThenRegistersHidesAndWrites) {
    StartWith("2\r\r\n");
    Choose(2);
    Tick(true);
    EXPECT_TRUE(Command(platform::kIdOk).handled);
    auto order = [&](std::string_view prefix) { return fake.log.IndexOf(prefix); };
    EXPECT_LT(order("TrayAdd 68"), order("CreateKey"));
    EXPECT_LT(order("CloseKey"), order("Hide"));
    EXPECT_LT(order("Hide"), order("WriteFile"));
    EXPECT_EQ(fake.tray.shown.size(), 4u);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "4\r\r\n");
    EXPECT_FALSE(fake.window.visible);
    EXPECT_FALSE(fake.window.endResult.has_value()) << "OK never ends the dialog";
    EXPECT_EQ(fake.registry.values[L"Quorvane"], L"\"C:\\Program Files\\Quorvane\\Quorvane.exe\"");
}

TEST_F(OptionsTest, OkWithoutChangesRewritesAutostartAndFileButKeepsTheIcons) {
    StartWith("3\r\r\n");
    Command(platform::kIdOk);
    EXPECT_TRUE(fake.log.Matching("Tray").empty());
    EXPECT_THAT(fake.log.Matching("DeleteValue"), ElementsAre("DeleteValue Quorvane"));
    EXPECT_EQ(fake.log.Matching("WriteFile").size(), 1u);
}

TEST_F(OptionsTest, UntickAndCancelLeavesTheRunKeyAndTheBoxAsTheUserLeftThem) {
    fake.registry.values[L"Quorvane"] = L"\"C:\\q.exe\"";
    StartWith("2\r\r\n");
    EXPECT_TRUE(fake.window.checked[IDC_RUN_AT_STARTUP]);
    Tick(false);
    Command(platform::kIdCancel);
    EXPECT_THAT(fake.log.calls, ElementsAre("Hide"));
    EXPECT_EQ(fake.registry.values.count(L"Quorvane"), 1u);
    Command(ID_SHOW_OPTIONS);
    EXPECT_FALSE(fake.window.checked[IDC_RUN_AT_STARTUP]);
    Command(platform::kIdOk);
    EXPECT_EQ(fake.registry.values.count(L"Quorvane"), 0u) << "a later OK applies it";
}

TEST_F(OptionsTest, NoSelectionGivesOneDesktop) {
    StartWith("1\r\r\n");
    EXPECT_EQ(fake.window.comboSelection, -1);
    Command(platform::kIdOk);
    EXPECT_EQ(dialog.desktopCount, 1);
    EXPECT_TRUE(fake.log.Matching("Tray").empty());
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "1\r\r\n");
}

TEST_F(OptionsTest, ARefusedRunKeyIsReportedAndTheWindowStillHidesAndWrites) {
    StartWith("2\r\r\n");
    fake.registry.createFailure = 5;
    Tick(true);
    Choose(1);
    Command(platform::kIdOk);
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_FALSE(fake.window.visible);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "3\r\r\n");
    EXPECT_TRUE(fake.window.checked[IDC_RUN_AT_STARTUP]) << "the box stays ticked";
}

TEST_F(OptionsTest, AfterASyncOkWithTheOldSelectionWritesTheOldCountBack) {
    StartWith("2\r\r\n");
    fake.files.files[fakes::kSettingsFile] = "4\r\r\n";
    Send(platform::kWmTimer, quorvane::SyncTimer);
    EXPECT_EQ(dialog.desktopCount, 4);
    Command(platform::kIdOk);
    EXPECT_EQ(dialog.desktopCount, 2);
    EXPECT_EQ(fake.tray.shown.size(), 2u);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "2\r\r\n");
}

} // namespace
