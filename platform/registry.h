#pragma once
// Registry keys and values. Codes are what the registry functions return.

#include "platform/types.h"
#include "platform/unique.h"

#include <cstdint>
#include <string>

namespace platform {

enum class RegistryRoot { LocalMachine, CurrentUser };

inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeySetValue = 0x0002;

struct ValueRead {
    ErrorCode error = kSuccess;
    std::wstring text; // a string value's text, without its terminator; empty for other types
};

struct KeyResult {
    KeyHandle key; // zero on failure
    ErrorCode error = kSuccess;
};

class Registry {
  public:
    virtual ~Registry() = default;
    virtual KeyResult Open(RegistryRoot root, std::wstring const& path, std::uint32_t access) = 0;
    // RegCreateKeyExW, non-volatile, no class, no security attributes.
    virtual KeyResult Create(RegistryRoot root, std::wstring const& path, std::uint32_t access) = 0;
    // RegQueryValueExW into a buffer of bufferBytes: a value that does not
    // fit gives ERROR_MORE_DATA.
    virtual ValueRead Query(KeyHandle key, std::wstring const& name, std::uint32_t bufferBytes) = 0;
    // A REG_SZ value holding the text and its terminating null.
    virtual ErrorCode SetString(KeyHandle key, std::wstring const& name,
                                std::wstring const& text) = 0;
    virtual ErrorCode DeleteValue(KeyHandle key, std::wstring const& name) = 0;
    virtual void Close(KeyHandle key) = 0;
};

using UniqueKey = Unique<KeyHandle, Registry, &Registry::Close>;

} // namespace platform
