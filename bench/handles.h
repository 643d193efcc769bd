#pragma once
// Owning wrapper for kernel handles, so every exit path of the bench helpers
// closes what it opened.

#include <windows.h>

#include <utility>

namespace bench {

class UniqueHandle {
  public:
    UniqueHandle() = default;
    // Some calls (CreateToolhelp32Snapshot) fail with INVALID_HANDLE_VALUE
    // instead of null; both mean "nothing owned".
    explicit UniqueHandle(HANDLE handle)
        : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    UniqueHandle(UniqueHandle const&) = delete;
    UniqueHandle& operator=(UniqueHandle const&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~UniqueHandle() {
        if (handle_ != nullptr) {
            CloseHandle(handle_);
        }
    }
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    HANDLE handle_ = nullptr;
};

} // namespace bench
