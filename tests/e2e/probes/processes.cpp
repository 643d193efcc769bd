// Lists the running processes, one line each: process id, parent id, the
// desktop it was started on (as given to CreateProcessW, empty if none), its
// image path and its command line. The last three come from the process's
// own parameter block, which is the only place another process can read them.

#include "text_output.h"
#include "unique_handles.h"

#include <tlhelp32.h>
#include <windows.h>
#include <winternl.h>

#include <string>

namespace {

// The documented header hides the fields after the command line; this is the
// full layout up to the desktop name (the same on 32-bit Windows and Wine).
struct ProcessParameters {
    BYTE reserved1[16];
    PVOID reserved2[10];
    UNICODE_STRING image_path;
    UNICODE_STRING command_line;
    PVOID environment;
    ULONG placement[9];
    UNICODE_STRING window_title;
    UNICODE_STRING desktop;
};

struct StartInfo {
    std::wstring desktop;
    std::wstring image_path;
    std::wstring command_line;
};

template <class T> bool ReadRemote(HANDLE process, void const* address, T& value) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, address, &value, sizeof(value), &read) &&
           read == sizeof(value);
}

std::wstring ReadRemoteString(HANDLE process, UNICODE_STRING const& text) {
    std::wstring value(text.Length / sizeof(wchar_t), L'\0');
    SIZE_T read = 0;
    if (value.empty() ||
        !ReadProcessMemory(process, text.Buffer, value.data(), text.Length, &read)) {
        return {};
    }
    return value;
}

StartInfo ReadStartInfo(DWORD process_id) {
    probe::UniqueHandle const process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
    PROCESS_BASIC_INFORMATION basic{};
    ULONG size = 0;
    if (!process || NtQueryInformationProcess(process.get(), ProcessBasicInformation, &basic,
                                              sizeof(basic), &size) != 0) {
        return {};
    }
    PEB peb{};
    ProcessParameters parameters{};
    if (!ReadRemote(process.get(), basic.PebBaseAddress, peb) ||
        !ReadRemote(process.get(), peb.ProcessParameters, parameters)) {
        return {};
    }
    return {ReadRemoteString(process.get(), parameters.desktop),
            ReadRemoteString(process.get(), parameters.image_path),
            ReadRemoteString(process.get(), parameters.command_line)};
}

void PrintProcess(PROCESSENTRY32W const& entry) {
    StartInfo const info = ReadStartInfo(entry.th32ProcessID);
    std::wstring const image = info.image_path.empty() ? entry.szExeFile : info.image_path;
    probe::PrintLine({std::to_wstring(entry.th32ProcessID),
                      std::to_wstring(entry.th32ParentProcessID), info.desktop, image,
                      info.command_line});
}

} // namespace

int wmain() {
    probe::UniqueHandle const snapshot =
        probe::Adopt(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) {
        probe::PrintError(L"CreateToolhelp32Snapshot");
        return 1;
    }
    do {
        PrintProcess(entry);
    } while (Process32NextW(snapshot.get(), &entry));
    return 0;
}
