// The second yardstick: the least any program has to do to start the way
// Quorvane is designed to start, with none of Quorvane's own work. It shows
// Quorvane's own options dialog (same resources, manifest and visual styles),
// hides it 5 ms later and then adds the four tray icons. What Quorvane costs
// beyond this is its own; what this costs beyond the plain baseline is the
// price of the designed start itself. WM_CLOSE removes the icons and ends it.

#include "tray_icons.h"

#include "app/switcher_dialog.h"
#include "res/resource_ids.h"

#include <windows.h>

#include <commctrl.h>

namespace {

constexpr std::array<WORD, 4> kIconResources{IDI_DESKTOP_4, IDI_DESKTOP_3, IDI_DESKTOP_2,
                                             IDI_DESKTOP_1};

// The tray icons, loaded like Quorvane's and destroyed when the program ends.
class OwnedIcons {
  public:
    OwnedIcons() {
        int const width = GetSystemMetrics(SM_CXSMICON);
        int const height = GetSystemMetrics(SM_CYSMICON);
        for (std::size_t index = 0; index < icons_.size(); ++index) {
            icons_[index] = static_cast<HICON>(
                LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconResources[index]),
                           IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
        }
    }
    OwnedIcons(OwnedIcons const&) = delete;
    OwnedIcons& operator=(OwnedIcons const&) = delete;
    ~OwnedIcons() {
        for (HICON const icon : icons_) {
            if (icon != nullptr) {
                DestroyIcon(icon);
            }
        }
    }
    bench::TrayIcons const& get() const { return icons_; }

  private:
    bench::TrayIcons icons_{};
};

struct State {
    bool hidden = false;
    OwnedIcons const* icons = nullptr;
};

State& Program() {
    static State state;
    return state;
}

void FinishStart(HWND window) {
    KillTimer(window, quorvane::StartupTimer);
    Program().hidden = true;
    ShowWindow(window, SW_HIDE);
    bench::AddIcons(window, Program().icons->get());
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetTimer(window, quorvane::StartupTimer, quorvane::kStartupTimerMs, nullptr);
        return TRUE;
    case WM_TIMER:
        FinishStart(window);
        return TRUE;
    case WM_WINDOWPOSCHANGING:
        // Wine's modal loop shows the dialog when its queue first runs empty;
        // Quorvane drops that show once it has hidden itself, and so does this.
        if (Program().hidden) {
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        }
        return FALSE;
    case WM_CLOSE:
        bench::RemoveIcons(window);
        EndDialog(window, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    InitCommonControls();
    OwnedIcons const icons;
    Program().icons = &icons;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, &DialogProc, 0);
    return 0;
}
