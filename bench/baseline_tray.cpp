// The yardstick for Quorvane's footprint: the least a tray program with the
// same four icons has to do. One hidden window, four notification icons with
// Quorvane's ids, callback message and record layout, and a plain message
// loop. WM_CLOSE removes the icons and ends it.

#include "tray_icons.h"

#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"QuorvaneBenchBaseline";
constexpr wchar_t kTitle[] = L"Quorvane baseline";

void AddIcons(HWND window) {
    // A shared system icon: nothing to destroy afterwards.
    HICON const icon = LoadIconW(nullptr, IDI_APPLICATION);
    bench::AddIcons(window, {icon, icon, icon, icon});
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        bench::RemoveIcons(window);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Unregisters the class however wWinMain returns.
class RegisteredClass {
  public:
    explicit RegisteredClass(HINSTANCE instance) : instance_(instance) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &WindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kClassName;
        registered_ = RegisterClassW(&windowClass) != 0;
    }
    RegisteredClass(RegisteredClass const&) = delete;
    RegisteredClass& operator=(RegisteredClass const&) = delete;
    ~RegisteredClass() {
        if (registered_) {
            UnregisterClassW(kClassName, instance_);
        }
    }
    explicit operator bool() const { return registered_; }

  private:
    HINSTANCE instance_;
    bool registered_ = false;
};

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RegisteredClass const windowClass(instance);
    if (!windowClass) {
        return 1;
    }
    // Never shown: a tray program lives in the notification area.
    HWND const window =
        CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    AddIcons(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
