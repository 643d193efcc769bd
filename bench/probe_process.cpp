// Prints the footprint of every running process with a given image name, one
// tab-separated line each:
//   pid  peak_working_set  working_set  private_bytes  kernel_100ns  user_100ns
//   handles  gdi_objects  user_objects
// Sizes are in bytes, CPU times in 100 ns units, as Windows reports them. A
// process that cannot be opened prints nothing; the exit code is the number
// of matching processes that could not be read.
//
// Usage: probe_process.exe <image name, e.g. Quorvane.exe>

#include "handles.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr DWORD kQueryRights = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

std::uint64_t Ticks(FILETIME const& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::string Utf8(std::wstring const& text) {
    int const size = static_cast<int>(text.size());
    int const needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), needed, nullptr, nullptr);
    return out;
}

void Write(std::string const& text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

std::vector<DWORD> ProcessesNamed(std::wstring const& image) {
    std::vector<DWORD> found;
    bench::UniqueHandle const snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return found;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, image.c_str()) == 0) {
            found.push_back(entry.th32ProcessID);
        }
    }
    return found;
}

// Builds the line for one process; empty if any figure is unavailable, so a
// half-read process never shows up as zero usage.
std::wstring Footprint(DWORD pid) {
    bench::UniqueHandle const process(OpenProcess(kQueryRights, FALSE, pid));
    if (!process) {
        return {};
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    FILETIME created{}, exited{}, kernel{}, user{};
    DWORD handles = 0;
    if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                              sizeof(memory)) ||
        !GetProcessTimes(process.get(), &created, &exited, &kernel, &user) ||
        !GetProcessHandleCount(process.get(), &handles)) {
        return {};
    }
    std::wstring line = std::to_wstring(pid);
    for (std::uint64_t const value :
         {static_cast<std::uint64_t>(memory.PeakWorkingSetSize),
          static_cast<std::uint64_t>(memory.WorkingSetSize),
          static_cast<std::uint64_t>(memory.PrivateUsage), Ticks(kernel), Ticks(user),
          static_cast<std::uint64_t>(handles),
          static_cast<std::uint64_t>(GetGuiResources(process.get(), GR_GDIOBJECTS)),
          static_cast<std::uint64_t>(GetGuiResources(process.get(), GR_USEROBJECTS))}) {
        line += L'\t' + std::to_wstring(value);
    }
    return line;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        Write("usage: probe_process.exe <image name>\n");
        return -1;
    }
    int unreadable = 0;
    for (DWORD const pid : ProcessesNamed(argv[1])) {
        std::wstring const line = Footprint(pid);
        if (line.empty()) {
            ++unreadable;
            continue;
        }
        Write(Utf8(line) + "\n");
    }
    return unreadable;
}
