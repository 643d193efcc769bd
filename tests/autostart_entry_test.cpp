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

TEST_F(AutostartTest, RegisterStoresTheQuotedPathEveryTime) {
    quorvane::RegisterAutostart(fake.os, fake.window);
    quorvane::RegisterAutostart(fake.os, fake.window);
    EXPECT_THAT(fake.log.calls,
                ElementsAre(std::string("CreateKey ") + kRunKey + " 0x2",
                            "SetValue Quorvane \"C:\\Program Files\\Quorvane\\Quorvane.exe\"",
                            "CloseKey", std::string("CreateKey ") + kRunKey + " 0x2",
                            "SetValue Quorvane \"C:\\Program Files\\Quorvane\\Quorvane.exe\"",
                            "CloseKey"));
    EXPECT_TRUE(fake.window.boxes.empty());
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

TEST_F(AutostartTest, UnregisterDeletesWithKeyWriteAndIsSilentWhenRefused) {
    fake.registry.values[L"Quorvane"] = L"x";
    quorvane::UnregisterAutostart(fake.registry);
    EXPECT_THAT(fake.log.calls, ElementsAre(std::string("OpenKey ") + kRunKey + " 0x20006",
                                            "DeleteValue Quorvane", "CloseKey"));
    EXPECT_TRUE(fake.registry.values.empty());

    quorvane::UnregisterAutostart(fake.registry); // nothing there: fine
    fake.registry.openFailure = 5;
    fake.registry.values[L"Quorvane"] = L"x";
    quorvane::UnregisterAutostart(fake.registry);
    EXPECT_EQ(fake.registry.values.size(), 1u) << "a refused key keeps the value";
    EXPECT_TRUE(fake.window.boxes.empty());
}

} // namespace
