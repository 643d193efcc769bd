// The dialog framework: table dispatch, its defaults, data exchange and help.

#include "fakes/fake_os.h"
#include "platform/dialog.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

class TableDialog : public platform::Dialog {
  public:
    explicit TableDialog(fakes::FakeOs& fake) : Dialog(fake.ui, fake.system, 100) {}
    std::vector<std::string> seen;
    int field = 0;
    using Dialog::EndWithOk;

  protected:
    platform::Reply Dispatch(platform::Message const& message) override {
        static constexpr platform::MessageEntry<TableDialog> kMessages[] = {
            platform::OnCommand(7, &TableDialog::OnSeven),
            platform::OnMessage(platform::kWmTimer, &TableDialog::OnTimer),
            platform::OnRegisteredMessage(L"TaskbarCreated", &TableDialog::OnRegistered),
            platform::OnRegisteredMessage(L"Unknown", &TableDialog::OnRegistered),
        };
        return DispatchThrough(*this, kMessages, message);
    }
    void ExchangeData(platform::DataExchange& exchange) override { exchange.CheckBox(9, field); }

  private:
    platform::Reply OnSeven(platform::Message const&) {
        seen.push_back("seven");
        return platform::Handled();
    }
    platform::Reply OnTimer(platform::Message const& m) {
        seen.push_back("timer " + std::to_string(m.wParam));
        return platform::kDefaultHandling;
    }
    platform::Reply OnRegistered(platform::Message const&) {
        seen.push_back("registered");
        return platform::Handled();
    }
};

class FrameworkTest : public ::testing::Test {
  protected:
    fakes::FakeOs fake;
    TableDialog dialog{fake};
    void SetUp() override { dialog.Attach(&fake.window); }
    platform::Reply Send(platform::MessageId id, platform::WParam w = 0) {
        return dialog.Handle({id, w, 0});
    }
};

TEST_F(FrameworkTest, CommandsMatchFromMenusButtonsAndAcceleratorsNotNotifications) {
    Send(platform::kWmCommand, 7);                                 // menu or button click
    Send(platform::kWmCommand, 7 | 1 << 16);                       // accelerator
    EXPECT_FALSE(Send(platform::kWmCommand, 7 | 5 << 16).handled); // a control notification
    EXPECT_FALSE(Send(platform::kWmCommand, 8).handled);
    EXPECT_THAT(dialog.seen, ElementsAre("seven", "seven"));
}

TEST_F(FrameworkTest, RegisteredMessagesMatchTheirIdAndARefusedNameMatchesNothing) {
    EXPECT_TRUE(Send(fakes::FakeUi::kTaskbarCreated).handled);
    EXPECT_FALSE(Send(0).handled) << "a name the system refused is id 0, not WM_NULL";
    EXPECT_THAT(dialog.seen, ElementsAre("registered"));
}

TEST_F(FrameworkTest, UnhandledOkAndCancelEndTheDialogOkReadingTheControls) {
    fake.window.checked[9] = true;
    Send(platform::kWmCommand, platform::kIdCancel);
    EXPECT_EQ(fake.window.endResult, 2);
    EXPECT_EQ(dialog.field, 0);
    Send(platform::kWmCommand, platform::kIdOk);
    EXPECT_EQ(fake.window.endResult, 1);
    EXPECT_EQ(dialog.field, 1);
}

TEST_F(FrameworkTest, InitCentresAndPushesFields) {
    dialog.field = 1;
    EXPECT_TRUE(dialog.OnInitDialog());
    EXPECT_THAT(fake.log.calls, ElementsAre("Centre", "SetChecked 9 1"));
}

TEST_F(FrameworkTest, HelpOpensTheProgramsHelpFileAtTheDialogsContext) {
    fake.system.helpAvailable = true;
    Send(platform::kWmHelp);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("LaunchHelp C:\\Program Files\\Quorvane\\Quorvane.HLP 0x20064"));
    EXPECT_TRUE(fake.window.boxes.empty());
}

TEST(HelpFile, ReplacesOnlyTheFileNamesExtension) {
    EXPECT_EQ(platform::HelpFileFor(L"C:\\a.b\\Quorvane.exe"), L"C:\\a.b\\Quorvane.HLP");
    EXPECT_EQ(platform::HelpFileFor(L"C:\\a.b\\Quorvane"), L"C:\\a.b\\Quorvane.HLP");
    EXPECT_EQ(platform::ProgramTitle(L"C:\\a.b\\Quorvane.exe"), L"Quorvane");
    EXPECT_EQ(platform::ProgramTitle(L"Quorvane"), L"Quorvane");
}

} // namespace
