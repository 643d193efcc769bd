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
    EXPECT_TRUE(fake.log.InOrder({"TrayAdd 68", "CreateKey", "SetValue", "Hide", "WriteFile"}));
    EXPECT_EQ(fake.tray.shown.size(), 4u);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "4\r\r\n");
    EXPECT_FALSE(fake.window.visible);
    EXPECT_FALSE(fake.window.endResult.has_value()) << "OK never ends the dialog";
    EXPECT_EQ(fake.registry.values[L"Quorvane"], L"\"C:\\Program Files\\Quorvane\\Quorvane.exe\"");
}

TEST_F(OptionsTest, OkWithoutChangesRewritesTheFileButKeepsTheIconsAndTheRunKey) {
    StartWith("3\r\r\n");
    Command(platform::kIdOk);
    EXPECT_TRUE(fake.log.Matching("Tray").empty());
    EXPECT_TRUE(fake.log.Matching("DeleteValue").empty()) << "no value, nothing to remove";
    EXPECT_EQ(fake.log.Matching("WriteFile").size(), 1u);
    EXPECT_TRUE(fake.window.boxes.empty());
}

TEST_F(OptionsTest, UntickedOkWhoseRemovalIsRefusedSaysSoAndStillHidesAndWrites) {
    // A user without administrator rights: the key opens for reading only.
    fake.registry.values[L"Quorvane"] = L"\"C:\\q.exe\"";
    StartWith("2\r\r\n");
    Tick(false);
    Choose(2);
    fake.registry.writeOpenFailure = 5;
    // The box's own loop delivers a sync tick while the user reads it.
    fake.window.duringBox = [&] { Send(platform::kWmTimer, quorvane::SyncTimer); };
    Command(platform::kIdOk);
    EXPECT_EQ(dialog.desktopCount, 4) << "the tick in the box took the old count back";
    EXPECT_EQ(fake.tray.shown.size(), 4u);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "4\r\r\n");
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].caption, L"Error");
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_EQ(fake.registry.values.count(L"Quorvane"), 1u);
    EXPECT_FALSE(fake.window.visible);
    EXPECT_TRUE(fake.log.InOrder({"MessageBox", "Hide", "WriteFile"}));
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
    fake.window.duringBox = [&] { Send(platform::kWmTimer, quorvane::SyncTimer); };
    Command(platform::kIdOk);
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_FALSE(fake.window.visible);
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "3\r\r\n");
    EXPECT_EQ(dialog.desktopCount, 3) << "the tick in the box took the old count back";
    EXPECT_EQ(fake.tray.shown.size(), 3u);
    EXPECT_EQ(fake.window.comboSelection, 1);
    Send(platform::kWmTimer, quorvane::SyncTimer);
    EXPECT_EQ(dialog.desktopCount, 3) << "the next tick reads the choice";
    EXPECT_TRUE(fake.window.checked[IDC_RUN_AT_STARTUP]) << "the box stays ticked";
}

TEST_F(OptionsTest, AfterASyncOkKeepsTheCountInForce) {
    StartWith("2\r\r\n");
    fake.files.files[fakes::kSettingsFile] = "4\r\r\n";
    Send(platform::kWmTimer, quorvane::SyncTimer);
    Clear();
    Command(platform::kIdOk);
    EXPECT_EQ(dialog.desktopCount, 4);
    EXPECT_TRUE(fake.log.Matching("Tray").empty());
    EXPECT_EQ(fake.files.files[fakes::kSettingsFile], "4\r\r\n");
}

TEST_F(OptionsTest, TextTypedWithNoItemSelectedCountsWhenItNamesAnItem) {
    StartWith("2\r\r\n");
    struct Typed {
        std::wstring text;
        int count;
    };
    for (auto const& [text, count] :
         {Typed{L"4", 4}, Typed{L" 3 ", 3}, Typed{L"7", 1}, Typed{L"", 1}, Typed{L"2", 2}}) {
        fake.window.comboSelection = -1;
        fake.window.comboText = text;
        Command(platform::kIdOk);
        EXPECT_EQ(dialog.desktopCount, count) << fakes::Narrow(text);
        EXPECT_EQ(fake.tray.shown.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(fake.files.files[fakes::kSettingsFile], std::to_string(count) + "\r\r\n");
    }
}

} // namespace
