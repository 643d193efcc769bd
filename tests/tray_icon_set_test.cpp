// The tray icons: what is added and removed, and what a press on them does.

#include "desktops/tray_icon_set.h"
#include "fakes/dialog_fixture.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;

TEST(TrayIconSet, RebuildRemovesAllFourThenAddsFromTheHighestSlotDown) {
    fakes::FakeOs fake;
    quorvane::Rebuild(fake.tray, fake.window.handle, 3);
    EXPECT_THAT(fake.log.calls,
                ElementsAre("TrayDelete 17", "TrayDelete 34", "TrayDelete 51", "TrayDelete 68",
                            "TrayAdd 51", "TraySetVersion 51 3", "TrayAdd 34",
                            "TraySetVersion 34 3", "TrayAdd 17", "TraySetVersion 17 3"));
}

TEST(TrayIconSet, RecordsCarryWindowFlagsCallbackIconAndLabel) {
    fakes::FakeOs fake;
    quorvane::Rebuild(fake.tray, fake.window.handle, 4);
    struct Expected {
        std::uint32_t id;
        platform::ResourceId icon;
        wchar_t const* tip;
    };
    Expected const expected[] = {{68, 133, L"Desktop IV"},
                                 {51, 132, L"Desktop III"},
                                 {34, 130, L"Desktop II"},
                                 {17, 129, L"Desktop I"}};
    ASSERT_EQ(fake.tray.added.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        auto const& record = fake.tray.added[i];
        EXPECT_EQ(record.id, expected[i].id);
        EXPECT_EQ(record.icon, expected[i].icon);
        EXPECT_EQ(record.tip, expected[i].tip);
        EXPECT_EQ(record.flags, 7u);
        EXPECT_EQ(record.callbackMessage, 0xA123u);
        EXPECT_EQ(record.window, fake.window.handle);
    }
}

TEST(TrayIconSet, CountsOutsideTheTableNeverReachBeyondSlotFour) {
    fakes::FakeOs fake;
    quorvane::Rebuild(fake.tray, fake.window.handle, 0);
    EXPECT_TRUE(fake.tray.shown.empty());
    quorvane::Rebuild(fake.tray, fake.window.handle, 9);
    EXPECT_EQ(fake.tray.shown.size(), 4u);
    quorvane::Rebuild(fake.tray, fake.window.handle, 2);
    EXPECT_EQ(fake.tray.shown.size(), 2u);
}

TEST(TrayIconSet, PressesRouteByIdAndMouseMessage) {
    using Kind = quorvane::TrayAction::Kind;
    struct Case {
        std::uintptr_t id;
        std::uintptr_t mouse;
        Kind kind;
        int slot;
    };
    Case const cases[] = {
        {17, platform::kWmLButtonDown, Kind::SwitchDesktop, 1},
        {34, platform::kWmLButtonDown, Kind::SwitchDesktop, 2},
        {51, platform::kWmLButtonDown, Kind::SwitchDesktop, 3},
        {68, platform::kWmLButtonDown, Kind::SwitchDesktop, 4},
        {0, platform::kWmLButtonDown, Kind::None, 0}, // stray id: no slot 0
        {16, platform::kWmLButtonDown, Kind::None, 0},
        {85, platform::kWmLButtonDown, Kind::None, 0}, // would be slot 5
        {51, platform::kWmRButtonDown, Kind::ShowMenu, 0},
        {51, platform::kWmLButtonUp, Kind::None, 0},
        {51, platform::kWmRButtonUp, Kind::None, 0},
        {51, platform::kWmLButtonDblClk, Kind::None, 0},
        {51, platform::kWmRButtonDblClk, Kind::None, 0},
        {51, platform::kWmMouseMove, Kind::None, 0},
        {51, platform::kWmMButtonDown, Kind::None, 0},
    };
    for (auto const& c : cases) {
        auto const action = quorvane::ClassifyTrayNotify(c.id, c.mouse);
        EXPECT_EQ(action.kind, c.kind) << "id " << c.id << " mouse " << c.mouse;
        EXPECT_EQ(action.slot, c.slot) << "id " << c.id << " mouse " << c.mouse;
    }
}

class TrayDialogTest : public fakes::DialogTest {};

TEST_F(TrayDialogTest, LeftPressSwitchesRightPressOpensTheMenuAtTheCursor) {
    Start();
    Clear();
    TrayClick(17, platform::kWmLButtonDown);
    TrayClick(51, platform::kWmLButtonDown);
    TrayClick(34, platform::kWmRButtonDown);
    TrayClick(34, platform::kWmRButtonUp);
    TrayClick(34, platform::kWmLButtonDblClk);
    EXPECT_THAT(fake.log.calls, ElementsAre("SwitchDesktop Default", "SwitchDesktop Desktop III",
                                            "TrackPopup 0 0xA 600,700"));
}

TEST_F(TrayDialogTest, EachClickOfTheNewerBehaviourActsOnceAsItsPressDid) {
    Start();
    Clear();
    auto const click = [this](std::uint32_t id, std::initializer_list<platform::MessageId> sent) {
        fake.system.now += 2000;
        for (auto const message : sent) {
            TrayClick(id, message);
        }
    };
    using namespace platform;
    click(51, {kWmLButtonDown, kWmLButtonUp, kNinSelect});
    click(51,
          {kWmLButtonDown, kWmLButtonUp, kNinSelect, kWmLButtonDblClk, kWmLButtonUp, kNinSelect});
    click(34, {kWmRButtonDown, kWmMouseMove, kWmRButtonUp, kWmContextMenu});
    click(34, {kWmRButtonDown, kWmRButtonUp, kWmContextMenu, kWmRButtonDblClk, kWmRButtonUp,
               kWmContextMenu});
    click(68, {kWmMButtonDown, kNinSelect});
    // Where the menu opens at the press and its loop delivers the rest, here
    // after the button was held a while.
    fake.window.duringPopup = [this] {
        fake.system.now += 2000;
        TrayClick(17, kWmRButtonUp);
        TrayClick(17, kWmContextMenu);
    };
    click(17, {kWmRButtonDown});
    EXPECT_THAT(fake.log.calls,
                ElementsAre("SwitchDesktop Desktop III", "SwitchDesktop Desktop III",
                            "TrackPopup 0 0xA 600,700", "TrackPopup 0 0xA 600,700",
                            "TrackPopup 0 0xA 600,700"));

    // A right press whose release went to the menu, where it chose an item:
    // no WM_CONTEXTMENU follows, and the menu key later is not taken for one.
    fake.window.menuChoice = ID_ABOUT;
    click(34, {kWmRButtonDown});
    click(34, {kWmContextMenu});
    EXPECT_EQ(fake.log.Matching("TrackPopup").size(), 5u);
}

TEST_F(TrayDialogTest, EnterOrSpaceFlipsOnceTheMenuKeyOpensTheMenuAtTheIcon) {
    Start();
    fake.tray.rects[51] = {1000, 740, 1020, 760};
    Clear();
    TrayClick(51, platform::kNinKeySelect); // Enter
    fake.system.now += 100;
    TrayClick(51, platform::kNinKeySelect);
    fake.system.now += 3000;
    TrayClick(34, platform::kNinKeySelect); // Space
    fake.system.now += 3000;
    TrayClick(17, platform::kNinKeySelect);
    fake.system.now += 100;
    TrayClick(34, platform::kNinKeySelect); // another icon: not Enter's second
    fake.system.now += 3000;
    TrayClick(51, platform::kWmContextMenu); // the menu key, or Shift+F10
    EXPECT_THAT(fake.log.calls, ElementsAre("SwitchDesktop Desktop III", "SwitchDesktop Desktop II",
                                            "SwitchDesktop Default", "SwitchDesktop Desktop II",
                                            "TrackPopup 0 0xA 1010,750", "TrayFocus 51"));
}

TEST_F(TrayDialogTest, AMenuAskedForFromTheKeyboardOpensAtItsIconAndGivesTheFocusBack) {
    Start();
    fake.tray.rects[34] = {1000, 740, 1020, 760};
    fake.window.cursor = {1010, 750}; // on the icon: a mouse press
    TrayClick(34, platform::kWmRButtonDown);
    fake.window.cursor = {10, 10}; // elsewhere: Enter, Space or the menu key
    TrayClick(34, platform::kWmRButtonDown);
    fake.window.menuChoice = ID_SHOW_OPTIONS;
    TrayClick(34, platform::kWmRButtonDown);
    TrayClick(51, platform::kWmRButtonDown); // no rectangle to be had: at the pointer
    EXPECT_THAT(fake.log.Matching("Track"),
                ElementsAre("TrackPopup 0 0xA 1010,750", "TrackPopup 0 0xA 1010,750",
                            "TrackPopup 0 0xA 1010,750", "TrackPopup 0 0xA 10,10"));
    EXPECT_THAT(fake.log.Matching("TrayFocus"), ElementsAre("TrayFocus 34"))
        << "only after a keyboard menu closed without a choice";

    Clear();
    fake.system.now += 3000;
    TrayClick(51, platform::kWmContextMenu); // no rectangle: at the pointer, yet from a key
    fake.system.now += 3000;
    fake.window.foreground = false; // the menu was left by clicking another window
    TrayClick(34, platform::kWmContextMenu);
    fake.window.foreground = true;
    fake.window.menuChoice = ID_SHOW_OPTIONS;
    fake.system.now += 3000;
    TrayClick(34, platform::kWmContextMenu);
    EXPECT_THAT(fake.log.Matching("Tr"),
                ElementsAre("TrackPopup 0 0xA 10,10", "TrayFocus 51", "TrackPopup 0 0xA 1010,750",
                            "TrackPopup 0 0xA 1010,750"));
}

TEST_F(TrayDialogTest, TheMenusDefaultItemIsShowOptions) {
    Create();
    EXPECT_EQ(fake.log.Matching("SetDefaultItem"), std::vector<std::string>{"SetDefaultItem 0 0"});
}

TEST_F(TrayDialogTest, IconsABusyShellRefusedComeBackOnTheNextTicksThenTicksLeaveThem) {
    auto const sync = [this] { Send(platform::kWmTimer, quorvane::SyncTimer); };
    fake.files.files[fakes::kSettingsFile] = "3\r\r\n";
    fake.tray.refuseAdds = 5; // all three at start, then two more
    // Nor does it take the newer behaviour: the icons keep the first, and
    // that leaves none of them missing.
    fake.tray.refuseVersion = true;
    Start();
    EXPECT_TRUE(fake.tray.shown.empty());
    sync();
    EXPECT_THAT(fake.tray.shown, ::testing::SizeIs(1));
    sync();
    EXPECT_THAT(fake.tray.shown, ::testing::SizeIs(3));
    Clear();
    sync();
    EXPECT_TRUE(fake.log.Matching("Tray").empty()) << "all up: a tick adds nothing";

    // Refused, yet taken: the call's time ran out before the shell answered.
    fake.tray.refuseAdds = 3;
    fake.tray.timedOut = true;
    Send(fakes::FakeUi::kTaskbarCreated);
    sync();
    EXPECT_THAT(fake.tray.shown, ::testing::SizeIs(3));
    Clear();
    sync();
    EXPECT_TRUE(fake.log.Matching("Tray").empty()) << "never stuck re-adding icons that are there";
}

TEST_F(TrayDialogTest, StartupShowsIconsForTheCountInTheFile) {
    fake.files.files[fakes::kSettingsFile] = "4\r\r\n";
    Start();
    EXPECT_EQ(fake.tray.shown.size(), 4u);
}

} // namespace
