#include "platform/win32/native.h"
#include "platform/win32/services.h"

#include <cstring>
#include <vector>

namespace platform::win32 {
namespace {

HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Registry functions return their error; the thread's last error is not set.
KeyResult ResultOf(LSTATUS status, HKEY key) {
    if (status != ERROR_SUCCESS) {
        return KeyResult{KeyHandle{}, static_cast<ErrorCode>(status)};
    }
    return KeyResult{FromNative<KeyHandle>(key), kSuccess};
}

// The text of string data, which need not end in a terminator, or may hold
// several; an odd last byte is no character.
std::wstring StringData(BYTE const* data, DWORD bytes) {
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    if (auto const end = text.find(L'\0'); end != std::wstring::npos) {
        text.resize(end);
    }
    return text;
}

} // namespace

KeyResult Win32Registry::Open(RegistryRoot root, std::wstring const& path, std::uint32_t access) {
    HKEY key = nullptr;
    auto const status = ::RegOpenKeyExW(RootKey(root), path.c_str(), 0, access, &key);
    return ResultOf(status, key);
}

KeyResult Win32Registry::Create(RegistryRoot root, std::wstring const& path, std::uint32_t access) {
    HKEY key = nullptr;
    auto const status = ::RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr,
                                          REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    return ResultOf(status, key);
}

ValueRead Win32Registry::Query(KeyHandle key, std::wstring const& name, std::uint32_t bufferBytes) {
    // One spare byte keeps the data pointer valid for a zero-byte buffer, so
    // the call still reports a value that does not fit instead of its size.
    std::vector<BYTE> buffer(bufferBytes + std::size_t{1});
    DWORD size = bufferBytes;
    DWORD type = REG_NONE;
    auto const status =
        ::RegQueryValueExW(ToNative(key), name.c_str(), nullptr, &type, buffer.data(), &size);
    if (status != ERROR_SUCCESS) {
        return ValueRead{static_cast<ErrorCode>(status), {}};
    }
    return ValueRead{kSuccess, type == REG_SZ ? StringData(buffer.data(), size) : std::wstring()};
}

ErrorCode Win32Registry::SetString(KeyHandle key, std::wstring const& name,
                                   std::wstring const& text) {
    auto const bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return static_cast<ErrorCode>(::RegSetValueExW(ToNative(key), name.c_str(), 0, REG_SZ,
                                                   reinterpret_cast<BYTE const*>(text.c_str()),
                                                   bytes));
}

ErrorCode Win32Registry::DeleteValue(KeyHandle key, std::wstring const& name) {
    return static_cast<ErrorCode>(::RegDeleteValueW(ToNative(key), name.c_str()));
}

void Win32Registry::Close(KeyHandle key) {
    ::RegCloseKey(ToNative(key));
}

} // namespace platform::win32
