#pragma once
// The name of a window station or desktop handle ("Default", "Desktop II").

#include <windows.h>

#include <string>

namespace probe {

inline std::wstring ObjectName(HANDLE object) {
    DWORD needed = 0;
    GetUserObjectInformationW(object, UOI_NAME, nullptr, 0, &needed);
    if (needed == 0) {
        return {};
    }
    std::wstring name(needed / sizeof(wchar_t), L'\0');
    if (!GetUserObjectInformationW(object, UOI_NAME, name.data(), needed, &needed)) {
        return {};
    }
    name.resize(name.find(L'\0') == std::wstring::npos ? name.size() : name.find(L'\0'));
    return name;
}

} // namespace probe
