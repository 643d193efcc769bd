#pragma once
// A SwitcherDialog on fakes, with its window created, ready to receive messages.

#include "app/switcher_dialog.h"
#include "desktops/tray_icon_set.h"
#include "fakes/fake_os.h"
#include "res/resource_ids.h"

#include <gtest/gtest.h>

namespace fakes {

inline constexpr wchar_t kSettingsFile[] = L"C:\\AppData\\Quorvane\\conf01.dat";

class DialogTest : public ::testing::Test {
  protected:
    FakeOs fake;
    quorvane::SwitcherDialog dialog{fake.os};

    void Create() {
        dialog.Attach(&fake.window);
        dialog.OnInitDialog();
    }
    // Initialisation and the first start-up tick, as a later (not first) run.
    void Start() {
        Create();
        Send(platform::kWmTimer, quorvane::StartupTimer);
    }
    platform::Reply Send(platform::MessageId id, platform::WParam wParam = 0,
                         platform::LParam lParam = 0) {
        return dialog.Handle({id, wParam, lParam});
    }
    platform::Reply Command(platform::CommandId id) { return Send(platform::kWmCommand, id); }
    void TrayClick(std::uint32_t iconId, platform::MessageId mouse) {
        Send(quorvane::TrayNotify, iconId, static_cast<platform::LParam>(mouse));
    }
    void Clear() { fake.log.calls.clear(); }
};

} // namespace fakes
