// Sets the DACL of HKLM's Run key, in the view of this probe's width (the
// program's own), as an administrator would to keep a normal user from
// writing it. Wine checks a key's DACL, so what a user without rights meets
// can be played there. Prints the DACL it replaced, for putting it back.
//   run_key_rights.exe SDDL

#include "text_output.h"
#include "unique_handles.h"

#include <windows.h>

#include <sddl.h>

#include <string>

namespace {

constexpr int kArgumentCount = 2;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring CurrentDacl(HKEY key) {
    DWORD size = 0;
    RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
    std::string buffer(size, '\0');
    wchar_t* text = nullptr;
    if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size) != ERROR_SUCCESS ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorW(
            buffer.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return {};
    }
    probe::UniqueLocal const owner(text);
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != kArgumentCount) {
        probe::PrintMessage(L"usage: run_key_rights.exe SDDL");
        return 2;
    }
    HKEY opened = nullptr;
    if (auto const status =
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, READ_CONTROL | WRITE_DAC, &opened);
        status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        probe::PrintError(L"RegOpenKeyExW");
        return 1;
    }
    probe::UniqueKey const key(opened);
    auto const previous = CurrentDacl(key.get());
    PSECURITY_DESCRIPTOR wanted = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(argv[1], SDDL_REVISION_1, &wanted,
                                                              nullptr)) {
        probe::PrintError(L"ConvertStringSecurityDescriptorToSecurityDescriptorW");
        return 1;
    }
    probe::UniqueLocal const owner(wanted);
    if (auto const status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, wanted);
        status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        probe::PrintError(L"RegSetKeySecurity");
        return 1;
    }
    probe::PrintLine({previous});
    return 0;
}
