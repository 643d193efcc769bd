// The settings file: its path, its bytes, how it is read at start and on each sync tick.

#include "desktops/settings_file.h"
#include "fakes/dialog_fixture.h"
#include "platform/text_mode.h"

#include <gmock/gmock.h>

namespace {

using quorvane::ParseCount;
using ::testing::ElementsAre;

TEST(SettingsPath, UsesAppDataOrTheRootOfDriveC) {
    fakes::FakeOs fake;
    EXPECT_EQ(quorvane::SettingsPath(fake.system), L"C:\\AppData\\Quorvane\\conf01.dat");
    fake.system.environment.erase(L"APPDATA");
    EXPECT_EQ(quorvane::SettingsPath(fake.system), L"C:\\conf01.dat");
    EXPECT_EQ(quorvane::SettingsFolder(fake.system), L"C:");
}

TEST(ParseCount, ReadsLikePercentD) {
    EXPECT_EQ(ParseCount("3\n"), 3);
    EXPECT_EQ(ParseCount("3\r\n"), 3);
    EXPECT_EQ(ParseCount(" 3abc"), 3);
    EXPECT_EQ(ParseCount("\t\v\f 4"), 4);
    EXPECT_EQ(ParseCount("+2"), 2);
    EXPECT_EQ(ParseCount("-1"), -1);
    EXPECT_EQ(ParseCount("0"), 0);
    EXPECT_EQ(ParseCount("007"), 7);
    EXPECT_EQ(ParseCount("2147483647"), 2147483647);
    EXPECT_EQ(ParseCount("-2147483648"), -2147483647 - 1);
}

TEST(ParseCount, GivesNothingWithoutDigitsOrBeyondInt) {
    EXPECT_EQ(ParseCount(""), std::nullopt);
    EXPECT_EQ(ParseCount("\n"), std::nullopt);
    EXPECT_EQ(ParseCount("   "), std::nullopt);
    EXPECT_EQ(ParseCount("abc"), std::nullopt);
    EXPECT_EQ(ParseCount("-"), std::nullopt);
    EXPECT_EQ(ParseCount("+-3"), std::nullopt);
    EXPECT_EQ(ParseCount("2147483648"), std::nullopt);
    EXPECT_EQ(ParseCount("-2147483649"), std::nullopt);
    EXPECT_EQ(ParseCount("99999999999"), std::nullopt);
    EXPECT_EQ(ParseCount(std::string(5000, '9')), std::nullopt);
    EXPECT_EQ(ParseCount(std::string("\0"
                                     "3",
                                     2)),
              std::nullopt);
}

class SettingsTest : public fakes::DialogTest {
  protected:
    void File(std::string bytes) { fake.files.files[fakes::kSettingsFile] = std::move(bytes); }
    std::string const& OnDisk() { return fake.files.files[fakes::kSettingsFile]; }
    void Sync() { Send(platform::kWmTimer, quorvane::SyncTimer); }
};

TEST_F(SettingsTest, WritesTheCountThenCrCrLf) {
    for (int count : {1, 2, 3, 4}) {
        quorvane::WriteSettings(fake.os, fake.window, count);
        EXPECT_EQ(OnDisk(), std::to_string(count) + "\r\r\n");
    }
}

TEST_F(SettingsTest, EveryStepOfAWriteLeavesACountInTheFile) {
    // Another copy may read between the steps, or the machine may stop there.
    for (std::string old : {"4\r\r\n", " 4 desktops, chosen long ago\r\n", ""}) {
        File(old);
        std::vector<std::optional<int>> seen;
        fake.files.afterWriteStep = [&seen](std::string const& onDisk) {
            seen.push_back(
                ParseCount(platform::DecodeFirstLine(onDisk, quorvane::kSettingsLineChars)));
        };
        quorvane::WriteSettings(fake.os, fake.window, 3);
        EXPECT_THAT(seen, ::testing::Each(3)) << "over " << ::testing::PrintToString(old);
        EXPECT_EQ(OnDisk(), "3\r\r\n");
        EXPECT_EQ(fake.files.openFiles, 0);
    }
}

TEST_F(SettingsTest, AFileThatCannotBeWrittenIsReportedAndTheCountKept) {
    File("3\r\r\n");
    Start();
    fake.files.writeFailures[fakes::kSettingsFile] = 5;
    Command(ID_EXIT);
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_EQ(OnDisk(), "3\r\r\n");
    EXPECT_EQ(dialog.desktopCount, 3);
}

TEST_F(SettingsTest, StartReadTakesUsableCountsAndAnyFoundFileEndsTheFirstRun) {
    struct Case {
        std::string bytes;
        int count;
    };
    Case const cases[] = {{"3\r\r\n", 3},
                          {" 3abc", 3},
                          {"1\r\r\n", 1},
                          {"4", 4},
                          {"", 2},
                          {"   \r\n", 2},
                          {"letters", 2},
                          {"-1", 2},
                          {"0", 2},
                          {"5", 2},
                          {"99999999999", 2},
                          {"2147483648", 2},
                          {"\x01\xff\x80", 2},
                          {std::string(10 * 1024 * 1024, '4'), 2}};
    for (auto const& c : cases) {
        fakes::FakeOs local;
        local.files.files[fakes::kSettingsFile] = c.bytes;
        int count = quorvane::kDefaultDesktopCount;
        bool firstRun = true;
        quorvane::ReadSettingsAtStart(local.os, count, firstRun);
        EXPECT_EQ(count, c.count) << c.bytes.substr(0, 20);
        EXPECT_FALSE(firstRun);
        EXPECT_EQ(local.files.folders, std::set<std::wstring>{L"C:\\AppData\\Quorvane"});
        EXPECT_LE(local.files.largestRead, 1024u) << "reads only the start of the file";
    }
}

TEST_F(SettingsTest, AFileThatDoesNotOpenMeansFirstRunWithTwo) {
    fake.files.readFailures[fakes::kSettingsFile] = 5; // a folder in its place reads as this
    int count = quorvane::kDefaultDesktopCount;
    bool firstRun = true;
    quorvane::ReadSettingsAtStart(fake.os, count, firstRun);
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(firstRun);
}

TEST_F(SettingsTest, ALongLineIsReadOnlyUpToItsFirstCharacters) {
    File(std::string(353, ' ') + "3");
    EXPECT_EQ(quorvane::ReadSettings(fake.os).count, 3);
    File(std::string(354, ' ') + "3");
    EXPECT_EQ(quorvane::ReadSettings(fake.os).count, std::nullopt);
}

TEST_F(SettingsTest, ACountInTheOptionsSelectsItsListItemAndOneSelectsNothing) {
    File("4\r\r\n");
    Create();
    EXPECT_EQ(fake.window.comboSelection, 2);
    fakes::FakeOs other;
    other.files.files[fakes::kSettingsFile] = "1\r\r\n";
    quorvane::SwitcherDialog second(other.os);
    second.Attach(&other.window);
    second.OnInitDialog();
    EXPECT_EQ(other.window.comboSelection, -1);
}

TEST_F(SettingsTest, SyncFollowsAChangedCountInTheTrayAndTheList) {
    File("2\r\r\n");
    Start();
    Clear();
    File("3\r\r\n");
    Sync();
    EXPECT_EQ(dialog.desktopCount, 3);
    EXPECT_EQ(fake.tray.shown.size(), 3u);
    EXPECT_EQ(fake.window.comboSelection, 1);
    EXPECT_TRUE(fake.log.Matching("WriteFile").empty()) << "a sync never writes";
    Clear();
    fake.window.comboSelection = 2; // picked, OK not pressed yet
    Sync();
    EXPECT_TRUE(fake.log.Matching("Tray").empty()) << "same count, no rebuild";
    EXPECT_EQ(fake.window.comboSelection, 2) << "and the person's pick stays";
    File("1\r\r\n");
    Sync();
    EXPECT_EQ(fake.window.comboSelection, -1) << "1 is not in the list";
}

TEST_F(SettingsTest, SyncIgnoresFilesWithoutAUsableCount) {
    File("3\r\r\n");
    Start();
    for (std::string bytes : {"", "\r\r\n", "junk", "0", "-1", "5", "2147483648"}) {
        File(bytes);
        Sync();
        EXPECT_EQ(dialog.desktopCount, 3) << bytes;
        EXPECT_EQ(fake.tray.shown.size(), 3u) << bytes;
    }
    fake.files.files.erase(fakes::kSettingsFile);
    Sync();
    EXPECT_EQ(fake.tray.shown.size(), 3u);
}

TEST_F(SettingsTest, SyncToOneShowsOneIcon) {
    File("3\r\r\n");
    Start();
    File("1\r\r\n");
    Sync();
    EXPECT_THAT(fake.tray.shown, ::testing::SizeIs(1));
    EXPECT_TRUE(fake.tray.shown.contains(17));
}

TEST_F(SettingsTest, AnAppDataTooLongForThePlatformIsJustAFileThatWillNotOpen) {
    std::wstring const appData = L"C:\\" + std::wstring(70000, L'a');
    fake.system.environment[L"APPDATA"] = appData;
    auto const path = appData + L"\\Quorvane\\conf01.dat";
    fake.files.readFailures[path] = 206;
    fake.files.writeFailures[path] = 206;
    Start();
    EXPECT_TRUE(dialog.firstRun);
    EXPECT_EQ(dialog.desktopCount, 2);
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].caption, L"Error");
    EXPECT_EQ(fake.tray.shown.size(), 2u);
}

} // namespace
