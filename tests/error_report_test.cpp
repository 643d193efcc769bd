// The error box and the failure log.

#include "app/error_report.h"
#include "fakes/fake_os.h"
#include "platform/text_mode.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorReport, ShowsTheSystemTextExactlyWithErrorCaptionAndIcon) {
    fakes::FakeOs fake;
    quorvane::ErrorReport(fake.system, fake.window, 5);
    ASSERT_EQ(fake.window.boxes.size(), 1u);
    EXPECT_EQ(fake.window.boxes[0].text, L"Access is denied.\r\n");
    EXPECT_EQ(fake.window.boxes[0].caption, L"Error");
    EXPECT_EQ(fake.window.boxes[0].type, 0x10u);
}

TEST(ErrorReport, ACodeWithoutSystemTextGetsAPlainLineNotAnEmptyBox) {
    fakes::FakeOs fake;
    quorvane::ErrorReport(fake.system, fake.window, 1234);
    EXPECT_EQ(fake.window.boxes.at(0).text, L"Unknown error 1234 (0x000004D2).");
    fake.system.errorTexts[77] = L"";
    EXPECT_EQ(quorvane::ErrorText(fake.system, 77), L"Unknown error 77 (0x0000004D).");
    EXPECT_EQ(quorvane::ErrorText(fake.system, 0xFFFFFFFFu),
              L"Unknown error 4294967295 (0xFFFFFFFF).");
    EXPECT_EQ(quorvane::ErrorText(fake.system, 0), L"Unknown error 0 (0x00000000).");
}

TEST(FailureLog, AppendsLinesEndingInCrCrLf) {
    fakes::FakeOs fake;
    fake.files.files[L"d:\\logs.txt"] = "older\r\r\n";
    quorvane::FailureLog(fake.files, L"Can't run explorer");
    quorvane::FailureLog(fake.files, L"Can't run explorer");
    EXPECT_EQ(fake.files.files[L"d:\\logs.txt"],
              "older\r\r\nCan't run explorer\r\r\nCan't run explorer\r\r\n");
}

TEST(FailureLog, AnUnwritableLogIsSkippedSilently) {
    fakes::FakeOs fake;
    fake.files.writeFailures[L"d:\\logs.txt"] = 3;
    quorvane::FailureLog(fake.files, L"Can't run explorer");
    EXPECT_TRUE(fake.window.boxes.empty());
    EXPECT_FALSE(fake.files.files.contains(L"d:\\logs.txt"));
}

TEST(TextMode, WritesLineFeedsAsCrLfAndReadsThemBack) {
    EXPECT_EQ(platform::EncodeTextMode(L"3\r\n"), "3\r\r\n");
    EXPECT_EQ(platform::EncodeTextMode(L"a\nb\xE9"), "a\r\nb?");
    EXPECT_EQ(platform::DecodeFirstLine("3\r\r\n", 354), "3\r\n");
    EXPECT_EQ(platform::DecodeFirstLine("12\r\nsecond\n", 354), "12\n");
    EXPECT_EQ(platform::DecodeFirstLine("12\x1A"
                                        "34",
                                        354),
              "12");
    EXPECT_EQ(platform::DecodeFirstLine(std::string(1000, '7'), 354), std::string(354, '7'));
    EXPECT_EQ(platform::DecodeFirstLine("", 354), "");
}

} // namespace
