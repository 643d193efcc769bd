#pragma once
// Helpers shared by the Windows implementations: conversions between the
// seam's opaque handles and the Win32 handle types (a seam handle holds the
// Win32 handle's bits, so both directions are exact), and the program's icons.

#include "platform/files.h"
#include "platform/messages.h"
#include "platform/types.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {

template <class Native> Native ToNative(std::uintptr_t value) {
    return reinterpret_cast<Native>(value);
}

inline HDESK ToNative(DesktopHandle handle) {
    return ToNative<HDESK>(handle.value);
}
inline HKEY ToNative(KeyHandle handle) {
    return ToNative<HKEY>(handle.value);
}
inline HWND ToNative(WindowHandle handle) {
    return ToNative<HWND>(handle.value);
}
inline HICON ToNative(IconHandle handle) {
    return ToNative<HICON>(handle.value);
}
inline HMENU ToNative(MenuHandle handle) {
    return ToNative<HMENU>(handle.value);
}
inline HANDLE ToNative(FileHandle handle) {
    return ToNative<HANDLE>(handle.value);
}
inline HANDLE ToNative(TokenHandle handle) {
    return ToNative<HANDLE>(handle.value);
}
inline HANDLE ToNative(ProcessHandle handle) {
    return ToNative<HANDLE>(handle.value);
}

template <class SeamHandle, class Native> SeamHandle FromNative(Native native) {
    return SeamHandle{reinterpret_cast<std::uintptr_t>(native)};
}

// A function of a loaded module, or null where the module lacks it.
template <class Function> Function* FunctionOf(HMODULE module, char const* name) {
    if (module == nullptr) {
        return nullptr;
    }
    // Through the generic function pointer type, which the compiler accepts
    // as a cast between unrelated function types.
    return reinterpret_cast<Function*>(
        reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// A function of a system DLL the process has already loaded, or null where
// this Windows lacks it: for calls newer than the oldest Windows the program
// runs on.
template <class Function> Function* SystemFunction(wchar_t const* module, char const* name) {
    return FunctionOf<Function>(::GetModuleHandleW(module), name);
}

// The program's own module, where all its resources live.
inline HINSTANCE ProgramModule() {
    return ::GetModuleHandleW(nullptr);
}

// Pixels of an icon drawn for the given size at the system's current DPI.
inline SIZE IconPixels(IconSize size) {
    bool const small = size == IconSize::Small;
    return SIZE{::GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON),
                ::GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON)};
}

// An icon resource of the program at the given size; null when it is missing.
inline HICON LoadProgramIcon(ResourceId id, IconSize size) {
    auto const pixels = IconPixels(size);
    return static_cast<HICON>(::LoadImageW(ProgramModule(), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                           pixels.cx, pixels.cy, LR_DEFAULTCOLOR));
}

} // namespace platform::win32
