#pragma once
// Owning wrappers for the kinds of handle the probes hold, so every exit
// path closes them.

#include <windows.h>

#include <utility>

namespace probe {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

struct DesktopCloser {
    void operator()(HDESK desktop) const { CloseDesktop(desktop); }
};

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};

struct LocalCloser {
    void operator()(HLOCAL block) const { LocalFree(block); }
};

// Null is the empty state for every kind.
template <class Handle, class Closer> class Unique {
  public:
    Unique() = default;
    explicit Unique(Handle handle) : handle_(handle) {}
    Unique(Unique const&) = delete;
    Unique& operator=(Unique const&) = delete;
    Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Unique& operator=(Unique&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~Unique() {
        if (handle_ != nullptr) {
            Closer{}(handle_);
        }
    }
    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    Handle handle_ = nullptr;
};

using UniqueHandle = Unique<HANDLE, HandleCloser>;
using UniqueDesktop = Unique<HDESK, DesktopCloser>;
using UniqueKey = Unique<HKEY, KeyCloser>;
using UniqueLocal = Unique<HLOCAL, LocalCloser>;

// Some calls (CreateFileW, CreateToolhelp32Snapshot) fail with
// INVALID_HANDLE_VALUE instead of null; fold that into the empty state.
inline UniqueHandle Adopt(HANDLE handle) {
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

} // namespace probe
