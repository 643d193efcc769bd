// The Run value: reading it, writing it quoted and removing it.

#include "fakes/fake_os.h"
#include "options/autostart_entry.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

constexpr char kRunKey[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class AutostartTest : public ::testing::Test {
  protected:
    fakes::FakeOs fake;
};

TEST_F(AutostartTest, QueryReadsWithKeyReadAndAThousandByteBuffer) {
    fake.registry.values[L"Quorvane"] = L"\"C:\\elsewhere\\Quorvane.exe\"";
    EXPECT_TRUE(quorvane::QueryAutostart(fake.registry));
    EXPECT_THAT(fake.log.calls, ElementsAre(std::string("OpenKey ") + kRunKey + " 0x20019",
                                            "QueryValue Quorvane 1000", "CloseKey"));
}

TEST_F(AutostartTest, QueryAnswersAbsentForMissingKeyValueOrOverlongValue) {
    EXPECT_FALSE(quorvane::QueryAutostart(fake.registry));
    fake.registry.values[L"Quorvane"] = std::wstring(500, L'x'); // 1002 bytes with its null
    EXPECT_FALSE(quorvane::QueryAutostart(fake.registry));
    fake.registry.values[L"Quorvane"] = std::wstring(499, L'x');
    EXPECT_TRUE(quorvane::QueryAutostart(fake.registry));
    fake.registry.openFailure = 5;
    EXPECT_FALSE(quorvane::QueryAutostart(fake.registry));
    EXPECT_EQ(fake.registry.openKeys, 0);
}

TEST_F(AutostartTest, RegisterWritesTheQuotedPathOnlyWhereTheValueDiffers) {
    quorvane::RegisterAutostart(fake.os, fake.window);
    EXPECT_THAT(
        fake.log.calls,
        ElementsAre(std::string("OpenKey ") + kRunKey + " 0x20019", "QueryValue Quorvane 1000",
                    "CloseKey", std::string("CreateKey ") + kRunKey + " 0x2",
                    "SetValue Quorvane \"C:\\Program Files\\Quorvane\\Quorvane.exe\"", "CloseKey"));
    // Already this program's (the case of a path's letters does not matter):
    // nothing to write, so a user who may not write the key is not refused.
    fake.registry.values[L"Quorvane"] = L"\"C:\\PROGRAM FILES\\Quorvane\\quorvane.exe\"";
    fake.registry.createFailure = 5;
    quorvane::RegisterAutostart(fake.os, fake.window);
    EXPECT_EQ(fake.log.Matching("CreateKey").size(), 1u);
    EXPECT_TRUE(fake.window.boxes.empty());
    // Another copy's path, or an old unquoted one, is written over.
    fake.registry.createFailure = 0;
    fake.registry.values[L"Quorvane"] = L"C:\\Program Files\\Quorvane\\Quorvane.exe";
    quorvane::RegisterAutostart(fake.os, fake.window);
    EXPECT_EQ(fake.registry.values[L"Quorvane"], L"\"C:\\Program Files\\Quorvane\\Quorvane.exe\"");
    EXPECT_EQ(fake.registry.openKeys, 0);
}

TEST_F(AutostartTest, RegisterReportsARefusedKeyWithTheReturnedCode) {
    fake.registry.createFailure = 5;
    quorvane::RegisterAutostart(fake.os, fake.window);
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_TRUE(fake.log.Matching("SetValue").empty());
}

TEST_F(AutostartTest, RegisterReportsARefusedValueAndStillClosesTheKey) {
    fake.registry.setFailure = 5;
    quorvane::RegisterAutostart(fake.os, fake.window);
    EXPECT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.log.calls.back(), "CloseKey");
    EXPECT_EQ(fake.registry.openKeys, 0);
}

TEST_F(AutostartTest, RegisterWithoutAFullModulePathWritesNothingAndSaysSo) {
    fake.system.modulePath.reset();
    quorvane::RegisterAutostart(fake.os, fake.window);
    EXPECT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_TRUE(fake.log.Matching("CreateKey").empty());
}

TEST_F(AutostartTest, UnregisterDeletesWithKeyWriteAndTellsWhenTheValueStays) {
    fake.registry.values[L"Quorvane"] = L"x";
    quorvane::UnregisterAutostart(fake.os, fake.window);
    EXPECT_THAT(fake.log.calls, ElementsAre(std::string("OpenKey ") + kRunKey + " 0x20019",
                                            "QueryValue Quorvane 1000", "CloseKey",
                                            std::string("OpenKey ") + kRunKey + " 0x20006",
                                            "DeleteValue Quorvane", "CloseKey"));
    EXPECT_TRUE(fake.registry.values.empty());

    // Nothing there, or not even the key: nothing to remove, nothing to say.
    fake.registry.writeOpenFailure = 5;
    quorvane::UnregisterAutostart(fake.os, fake.window);
    fake.registry.keyExists = false;
    quorvane::UnregisterAutostart(fake.os, fake.window);
    EXPECT_TRUE(fake.window.boxes.empty());
    fake.registry.keyExists = true;
    fake.registry.writeOpenFailure = 0;

    // A value too long to read is still there to remove.
    fake.registry.values[L"Quorvane"] = std::wstring(600, L'x');
    fake.registry.deleteFailure = 5;
    quorvane::UnregisterAutostart(fake.os, fake.window);
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_EQ(fake.registry.openKeys, 0);
}

} // namespace
