#pragma once
// A move-only owner for a Win32 handle, after unique_any in microsoft/wil:
// each kind of handle gets an alias that names the function that closes it.
// Closing keeps the thread's last error, so an owner that goes out of scope
// between a failing call and GetLastError does not hide the error.

#include "platform/win32/windows_api.h"

#include <utility>

namespace platform::win32 {

// Most handles are invalid when null.
template <class T> struct NullIsInvalid {
    static constexpr T Invalid() noexcept { return T{}; }
};

// CreateFileW reports failure with INVALID_HANDLE_VALUE, not null.
struct FileHandleIsInvalid {
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
};

template <class T, auto Close, class Validity = NullIsInvalid<T>> class UniqueAny {
  public:
    using pointer = T;

    UniqueAny() noexcept = default;
    explicit UniqueAny(T value) noexcept : value_(value) {}
    UniqueAny(UniqueAny const&) = delete;
    UniqueAny& operator=(UniqueAny const&) = delete;
    UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
    UniqueAny& operator=(UniqueAny&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~UniqueAny() { reset(); }

    T get() const noexcept { return value_; }
    T release() noexcept { return std::exchange(value_, Validity::Invalid()); }
    void reset(T value = Validity::Invalid()) noexcept {
        auto const old = std::exchange(value_, value);
        if (old != Validity::Invalid()) {
            DWORD const lastError = ::GetLastError();
            Close(old);
            ::SetLastError(lastError);
        }
    }
    explicit operator bool() const noexcept { return value_ != Validity::Invalid(); }

  private:
    T value_ = Validity::Invalid();
};

using UniqueHandle = UniqueAny<HANDLE, &::CloseHandle>;
using UniqueFile = UniqueAny<HANDLE, &::CloseHandle, FileHandleIsInvalid>;
using UniqueHkey = UniqueAny<HKEY, &::RegCloseKey>;
using UniqueHdesk = UniqueAny<HDESK, &::CloseDesktop>;
using UniqueHicon = UniqueAny<HICON, &::DestroyIcon>;
using UniqueHmenu = UniqueAny<HMENU, &::DestroyMenu>;
using UniqueHlocal = UniqueAny<HLOCAL, &::LocalFree>;
using UniqueHmodule = UniqueAny<HMODULE, &::FreeLibrary>;

} // namespace platform::win32
