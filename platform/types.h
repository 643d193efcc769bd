#pragma once
// Portable stand-ins for the few Win32 scalar types the logic handles, so the
// logic builds and is tested on any host. The Windows layer converts them.

#include <cstdint>

namespace platform {

using ErrorCode = std::uint32_t; // a Win32 error code
using MessageId = std::uint32_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using ResourceId = std::uint16_t;
using CommandId = std::uint32_t;
using TimerId = std::uintptr_t;

inline constexpr ErrorCode kSuccess = 0;
inline constexpr ErrorCode kErrorFileNotFound = 2;
inline constexpr ErrorCode kErrorAccessDenied = 5;
inline constexpr ErrorCode kErrorInsufficientBuffer = 122;
inline constexpr ErrorCode kErrorFilenameTooLong = 206;
inline constexpr ErrorCode kErrorMoreData = 234;

// Opaque OS handles. The value is the handle's bits; zero means none.
template <class Tag> struct Handle {
    std::uintptr_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend bool operator==(Handle, Handle) = default;
};

using DesktopHandle = Handle<struct DesktopTag>;
using KeyHandle = Handle<struct KeyTag>;
using WindowHandle = Handle<struct WindowTag>;
using IconHandle = Handle<struct IconTag>;
using MenuHandle = Handle<struct MenuTag>;
using TokenHandle = Handle<struct TokenTag>; // a user's access token
using ProcessHandle = Handle<struct ProcessTag>;

struct Point {
    int x = 0;
    int y = 0;
};

// A screen rectangle; right and bottom lie just outside it.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct Size {
    int width = 0;
    int height = 0;
};

} // namespace platform
